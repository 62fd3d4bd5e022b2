// An INI file held as its lines, so that a change rewrites only the line it
// touches. Sections and keys compare without regard to case (ASCII and the
// code page's single-byte letters); the first of duplicate names wins.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/types.h"

namespace win {

class IniDocument {
 public:
  explicit IniDocument(UINT codePage = 1252) : codePage_(codePage) {}

  // Lines end in LF or CR LF; a lone CR also ends a line.
  void parse(std::string_view bytes);
  // Lines joined with CR LF.
  std::string serialize() const;

  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  std::vector<std::string> sectionNames() const;
  std::vector<std::string> keyNames(std::string_view section) const;
  bool hasSection(std::string_view section) const;

  void setValue(std::string_view section, std::string_view key, std::string_view value);
  void deleteKey(std::string_view section, std::string_view key);
  void deleteSection(std::string_view section);

 private:
  struct Line {
    std::string text;
    enum Kind { Other, Section, Key } kind = Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed and unquoted
  };
  bool sameName(std::string_view a, std::string_view b) const;
  // Index of the section line, or npos.
  std::size_t findSection(std::string_view section) const;
  // End of the section starting at its header line (index of next header or size).
  std::size_t sectionEnd(std::size_t header) const;
  static Line classify(std::string text);

  UINT codePage_;
  std::vector<Line> lines_;
};

}  // namespace win
