// The lookups and edits of INI text behind the emulated profile functions.
//
// Writes edit the text rather than regenerating it: only the line of the key
// concerned changes, so blank lines, comments, spacing, other line endings and
// anything before the first section stay as they were. Lines this code writes
// end in "\r\n", as Windows writes them.
#include "platform/emulation/profile_text.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace plat::emulation {
namespace {

constexpr char kNewLine[] = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// One line of the file. A line that starts with '[' and has a ']' is a
// section header; any other non-blank line is an entry, named by the text
// before its first '=' (or by the whole line when there is none, in which case
// it has no value). Comment lines (';') are entries too: their names start
// with ';', so they match no ordinary key, and the key list leaves them out.
struct Line {
  enum Kind { kBlank, kSection, kEntry };
  Kind kind = kBlank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // text after '=', trimmed
  bool hasValue = false;
  size_t begin = 0;  // offset of the line's first byte
  size_t end = 0;    // offset just past its text, before the line break
  size_t next = 0;   // offset of the following line
};

Line ParseLine(std::string_view text, size_t begin, size_t end, size_t next) {
  Line line;
  line.begin = begin;
  line.end = end;
  line.next = next;
  const std::string_view body = Trim(text.substr(begin, end - begin));
  if (body.empty()) return line;
  if (body.front() == '[') {
    const size_t close = body.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      line.kind = Line::kSection;
      line.name = Trim(body.substr(1, close - 1));
      return line;
    }
  }
  line.kind = Line::kEntry;
  const size_t equals = body.find('=');
  if (equals == std::string_view::npos) {
    line.name = body;
  } else {
    line.name = Trim(body.substr(0, equals));
    line.value = Trim(body.substr(equals + 1));
    line.hasValue = true;
  }
  return line;
}

// Splits the text at CR LF, lone LF and lone CR, as Windows accepts all three.
std::vector<Line> ParseLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    size_t next = end;
    if (next < text.size()) {
      if (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') {
        next += 2;
      } else {
        next += 1;
      }
    }
    lines.push_back(ParseLine(text, pos, end, next));
    pos = next;
  }
  return lines;
}

// The lines of one section: the header at `header`, its body up to `end`.
struct SectionRange {
  bool found = false;
  size_t header = 0;
  size_t end = 0;
};

// The first section of that name; later sections of the same name are never
// looked at.
SectionRange FindSection(const std::vector<Line>& lines, std::string_view name) {
  SectionRange range;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::kSection || !SameName(lines[i].name, name)) continue;
    range.found = true;
    range.header = i;
    range.end = i + 1;
    while (range.end < lines.size() && lines[range.end].kind != Line::kSection) ++range.end;
    break;
  }
  return range;
}

// Index of the first entry of that name in the section, or lines.size().
size_t FindEntry(const std::vector<Line>& lines, const SectionRange& section, std::string_view key) {
  for (size_t i = section.header + 1; i < section.end; ++i) {
    if (lines[i].kind == Line::kEntry && SameName(lines[i].name, key)) return i;
  }
  return lines.size();
}

// A value loses one pair of matching quotes around it ('...' or "..."), which
// is how a value keeps surrounding blanks. It also ends at a NUL byte, like any
// C string handed back to the caller.
std::string_view Unquote(std::string_view value) {
  const size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = value.substr(0, nul);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Copies one string, cut to the buffer; returns the characters copied.
uint32_t CopyString(std::string_view text, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const size_t count = text.size() < size - 1 ? text.size() : size - 1;
  if (count > 0) std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<uint32_t>(count);
}

// Copies a list of names, each followed by a NUL, then the NUL that ends the
// list. Windows counts a buffer that holds exactly that as too small: unless
// one more character fits, the list is cut to size - 2 characters and closed
// with two NULs, and the result is size - 2. An empty list is a single NUL.
uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  std::string list;
  for (const std::string_view& name : names) {
    list.append(name.data(), name.size());
    list.push_back('\0');
  }
  if (list.empty()) {
    buffer[0] = '\0';
    return 0;
  }
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  if (list.size() + 2 <= size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<uint32_t>(list.size());
  }
  const uint32_t kept = size - 2;
  std::memcpy(buffer, list.data(), kept);
  buffer[kept] = '\0';
  buffer[kept + 1] = '\0';
  return kept;
}

// The default string, without its trailing blanks.
std::string_view DefaultText(const char* defaultValue) {
  std::string_view text = defaultValue != nullptr ? std::string_view(defaultValue) : "";
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> SectionNames(const std::vector<Line>& lines) {
  std::vector<std::string_view> names;
  for (const Line& line : lines) {
    if (line.kind == Line::kSection && !line.name.empty()) names.push_back(line.name);
  }
  return names;
}

// Names of the entries that carry a value, in file order; comments and empty
// names are left out.
std::vector<std::string_view> KeyNames(const std::vector<Line>& lines, const SectionRange& section) {
  std::vector<std::string_view> names;
  if (!section.found) return names;
  for (size_t i = section.header + 1; i < section.end; ++i) {
    const Line& line = lines[i];
    if (line.kind != Line::kEntry || !line.hasValue) continue;
    if (line.name.empty() || line.name.front() == ';') continue;
    names.push_back(line.name);
  }
  return names;
}

// Returns the new text for a set (value non-null), a key deletion (value
// null) or a section deletion (key null).
std::string EditProfile(const std::string& text, std::string_view section, const char* key,
                        const char* value) {
  const std::vector<Line> lines = ParseLines(text);
  const SectionRange range = FindSection(lines, section);

  if (key == nullptr) {
    if (!range.found) return text;
    const size_t from = lines[range.header].begin;
    const size_t to = range.end < lines.size() ? lines[range.end].begin : text.size();
    std::string result = text;
    result.erase(from, to - from);
    return result;
  }

  const std::string_view keyName = Trim(key);
  if (value == nullptr) {
    if (!range.found) return text;
    const size_t entry = FindEntry(lines, range, keyName);
    if (entry == lines.size()) return text;
    std::string result = text;
    result.erase(lines[entry].begin, lines[entry].next - lines[entry].begin);
    return result;
  }

  if (!range.found) {
    std::string result = text;
    if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += kNewLine;
    result += '[';
    result.append(section.data(), section.size());
    result += ']';
    result += kNewLine;
    result.append(keyName.data(), keyName.size());
    result += '=';
    result += value;
    result += kNewLine;
    return result;
  }

  const size_t entry = FindEntry(lines, range, keyName);
  if (entry != lines.size()) {
    // The line becomes "name=value", keeping the file's spelling of the name
    // and the line's own line break.
    const Line& line = lines[entry];
    std::string replacement(line.name);
    replacement += '=';
    replacement += value;
    std::string result = text;
    result.replace(line.begin, line.end - line.begin, replacement);
    return result;
  }

  // A new key goes after the last non-blank line of the section, so that the
  // blank lines separating it from the next section stay below it.
  size_t last = range.header;
  for (size_t i = range.header + 1; i < range.end; ++i) {
    if (lines[i].kind != Line::kBlank) last = i;
  }
  std::string insertion;
  if (lines[last].next == lines[last].end) insertion += kNewLine;  // last line had no break
  insertion.append(keyName.data(), keyName.size());
  insertion += '=';
  insertion += value;
  insertion += kNewLine;
  std::string result = text;
  result.insert(lines[last].next, insertion);
  return result;
}

}  // namespace

uint32_t ReadProfileText(const std::string* text, const char* section, const char* key,
                         const char* defaultValue, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::vector<Line> lines = text ? ParseLines(*text) : std::vector<Line>();

  if (section == nullptr) return CopyList(SectionNames(lines), buffer, size);

  const SectionRange range = FindSection(lines, Trim(section));
  if (key == nullptr) {
    // A section that is missing or lists no key gives the default instead.
    const std::vector<std::string_view> names = KeyNames(lines, range);
    if (names.empty()) return CopyString(DefaultText(defaultValue), buffer, size);
    return CopyList(names, buffer, size);
  }

  if (range.found) {
    const size_t entry = FindEntry(lines, range, Trim(key));
    if (entry != lines.size() && lines[entry].hasValue) {
      return CopyString(Unquote(lines[entry].value), buffer, size);
    }
  }
  return CopyString(DefaultText(defaultValue), buffer, size);
}

std::string EditProfileText(const std::string& text, const char* section, const char* key,
                            const char* value) {
  return EditProfile(text, Trim(section), key, value);
}

}  // namespace plat::emulation
