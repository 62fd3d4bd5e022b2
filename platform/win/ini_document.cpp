#include "platform/win/ini_document.h"

#include "platform/win/codepage.h"

namespace win {
namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

IniDocument::Line IniDocument::classify(std::string text) {
  Line line;
  line.text = std::move(text);
  std::string_view t = trim(line.text);
  if (t.empty() || t.front() == ';') return line;
  if (t.front() == '[') {
    std::size_t close = t.find(']');
    line.kind = Line::Section;
    line.name = std::string(trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    return line;
  }
  std::size_t eq = t.find('=');
  line.kind = Line::Key;
  if (eq == std::string_view::npos) {
    line.name = std::string(t);
    return line;
  }
  line.name = std::string(trim(t.substr(0, eq)));
  std::string_view v = trim(t.substr(eq + 1));
  // A value in matching quotes loses them.
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  line.value = std::string(v);
  return line;
}

void IniDocument::parse(std::string_view bytes) {
  lines_.clear();
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
    lines_.push_back(classify(std::string(bytes.substr(start, end - start))));
    if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

std::string IniDocument::serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

bool IniDocument::sameName(std::string_view a, std::string_view b) const { return AnsiEqualNoCase(a, b, codePage_); }

std::size_t IniDocument::findSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Section && sameName(lines_[i].name, trim(section))) return i;
  return npos;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Line::Section) ++i;
  return i;
}

bool IniDocument::hasSection(std::string_view section) const { return findSection(section) != npos; }

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
  std::size_t header = findSection(section);
  if (header == npos) return std::nullopt;
  std::string_view k = trim(key);
  for (std::size_t i = header + 1, end = sectionEnd(header); i < end; ++i)
    if (lines_[i].kind == Line::Key && sameName(lines_[i].name, k)) return lines_[i].value;
  return std::nullopt;
}

std::vector<std::string> IniDocument::sectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_)
    if (line.kind == Line::Section) names.push_back(line.name);
  return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const {
  std::vector<std::string> names;
  std::size_t header = findSection(section);
  if (header == npos) return names;
  for (std::size_t i = header + 1, end = sectionEnd(header); i < end; ++i)
    if (lines_[i].kind == Line::Key) names.push_back(lines_[i].name);
  return names;
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
  std::string text = std::string(trim(key)) + "=" + std::string(value);
  std::size_t header = findSection(section);
  if (header == npos) {
    if (!lines_.empty() && !trim(lines_.back().text).empty()) lines_.push_back(classify(""));
    lines_.push_back(classify("[" + std::string(trim(section)) + "]"));
    lines_.push_back(classify(text));
    return;
  }
  std::size_t end = sectionEnd(header);
  std::size_t last = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != Line::Key) continue;
    if (sameName(lines_[i].name, trim(key))) {
      lines_[i] = classify(text);
      return;
    }
    last = i;
  }
  // A new key goes after the section's last key, before blank lines.
  if (last == header) {
    last = header;
    while (last + 1 < end && lines_[last + 1].kind == Line::Other && !trim(lines_[last + 1].text).empty()) ++last;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1), classify(text));
}

void IniDocument::deleteKey(std::string_view section, std::string_view key) {
  std::size_t header = findSection(section);
  if (header == npos) return;
  for (std::size_t i = header + 1, end = sectionEnd(header); i < end; ++i)
    if (lines_[i].kind == Line::Key && sameName(lines_[i].name, trim(key))) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

void IniDocument::deleteSection(std::string_view section) {
  std::size_t header = findSection(section);
  if (header == npos) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
               lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
}

}  // namespace win
