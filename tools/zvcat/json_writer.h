// A small JSON writer for zvcat's --json output. Values are written as they
// come; the writer puts the commas and the key separators in.
//
// The catalogue's texts are single-byte ANSI (Windows-1252) texts, not UTF-8.
// Control characters and DEL are escaped; every byte at or above 0x80 is written as \u00XX, the code point of
// the same number: exact for Latin-1, and the original byte for any reader that needs it back (the bytes 0x80
// to 0x9F, which Windows-1252 gives other characters, keep their byte values rather than being guessed at).
// The output is therefore plain ASCII whatever the catalogue holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvcat {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The key of the next value in the current object.
  JsonWriter& Key(const std::string& key);
  JsonWriter& String(const std::string& value);
  JsonWriter& Number(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The text written so far.
  const std::string& str() const { return out_; }

 private:
  void BeforeValue();
  void Quoted(const std::string& text);

  std::string out_;
  // One level per open object or array: whether it has a member yet.
  std::vector<bool> hasMember_;
  bool afterKey_ = false;
};

}  // namespace zvcat
