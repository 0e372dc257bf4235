#include "host/profile_text.h"

#include <algorithm>
#include <cstddef>

namespace host {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

struct ParsedLine {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;
  std::string_view value;
};

ParsedLine Parse(std::string_view raw) {
  if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
  std::string_view line = Trim(raw);
  ParsedLine parsed;
  if (line.empty() || line.front() == ';') return parsed;
  if (line.front() == '[') {
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return parsed;
    parsed.kind = ParsedLine::kSection;
    parsed.name = Trim(line.substr(1, close - 1));
    return parsed;
  }
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = ParsedLine::kKey;
  parsed.name = Trim(line.substr(0, equals));
  parsed.value = Trim(line.substr(equals + 1));
  return parsed;
}

bool StorableOnOneLine(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace

ProfileText::ProfileText(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines_.emplace_back(text.substr(start));
      finalNewline_ = false;
      break;
    }
    lines_.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (!lines_.empty() && !lines_.front().empty() && lines_.front().back() == '\r') {
    newLineSuffix_.assign(1, '\r');
  }
}

std::optional<std::string> ProfileText::Find(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  bool inSection = false;
  for (const std::string& raw : lines_) {
    ParsedLine line = Parse(raw);
    if (line.kind == ParsedLine::kSection) {
      inSection = SameName(line.name, section);
    } else if (inSection && line.kind == ParsedLine::kKey && SameName(line.name, key)) {
      std::string_view value = line.value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

bool ProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || !StorableOnOneLine(section) || !StorableOnOneLine(key) ||
      !StorableOnOneLine(value) || key.find('=') != std::string_view::npos || key.front() == '[' ||
      key.front() == ';') {
    return false;
  }

  // Where the key would go: its own line, else after the last key of the first section of
  // that name (or after the section's header when it has no keys yet).
  std::ptrdiff_t firstSectionEnd = -1;
  bool inSection = false;
  bool inFirstSection = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    ParsedLine line = Parse(lines_[i]);
    if (line.kind == ParsedLine::kSection) {
      inFirstSection = false;
      inSection = SameName(line.name, section);
      if (inSection && firstSectionEnd < 0) {
        firstSectionEnd = static_cast<std::ptrdiff_t>(i);
        inFirstSection = true;
      }
    } else if (inSection && line.kind == ParsedLine::kKey) {
      if (SameName(line.name, key)) {
        bool crlf = !lines_[i].empty() && lines_[i].back() == '\r';
        lines_[i] = std::string(line.name) + "=" + std::string(value) + (crlf ? "\r" : "");
        return true;
      }
      if (inFirstSection) firstSectionEnd = static_cast<std::ptrdiff_t>(i);
    }
  }

  std::string keyLine = std::string(key) + "=" + std::string(value) + newLineSuffix_;
  if (firstSectionEnd >= 0) {
    lines_.insert(lines_.begin() + firstSectionEnd + 1, std::move(keyLine));
    if (static_cast<std::size_t>(firstSectionEnd) + 2 == lines_.size()) finalNewline_ = true;
    return true;
  }
  std::string sectionLine;
  sectionLine.append("[").append(section).append("]").append(newLineSuffix_);
  lines_.push_back(std::move(sectionLine));
  lines_.push_back(std::move(keyLine));
  finalNewline_ = true;
  return true;
}

std::string ProfileText::Text() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines_[i];
  }
  if (finalNewline_ && !lines_.empty()) text += '\n';
  return text;
}

}  // namespace host
