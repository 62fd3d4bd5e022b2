// A small JSON writer for --json output: objects and arrays written in
// order, strings escaped (they are UTF-8 by the time they get here).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kl570 {

class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  JsonWriter& key(const std::string& name);
  JsonWriter& value(const std::string& text);
  JsonWriter& value(const char* text) { return value(std::string(text)); }
  JsonWriter& value(std::int64_t number);
  JsonWriter& value(int number) { return value(static_cast<std::int64_t>(number)); }
  JsonWriter& value(unsigned number) { return value(static_cast<std::int64_t>(number)); }
  JsonWriter& value(std::uint64_t number);
  JsonWriter& value(double number);
  JsonWriter& value(bool flag);
  JsonWriter& null();

  const std::string& text() const { return out_; }

 private:
  void separate();
  std::string out_;
  std::vector<bool> first_;  // per open container: nothing written yet
  bool afterKey_ = false;
};

}  // namespace kl570
