#pragma once
// The parts of a driver INF that the simulated device tree needs: the [Version] class, the models
// that name a hardware ID, and [Strings] substitution. Reads ANSI and UTF-16LE (with BOM) files.

#include <optional>
#include <string>
#include <utility>
#include <vector>

class SimInfText {
public:
  // Nothing when the file cannot be opened or is unreasonably large. asProfile reads it as Wine's
  // profile reader does (measured): a UTF-16BE byte-order mark is read too, and once no line feed
  // follows, a carriage return alone ends a line.
  static std::optional<SimInfText> Load(const std::string &path, bool asProfile = false);
  static SimInfText Parse(const std::string &text);

  bool HasSection(const std::string &name) const;
  // The first value of key in section (names compared without letter case), quotes removed and
  // %string% tokens replaced; nothing when the section or key is absent.
  std::optional<std::string> Value(const std::string &section, const std::string &key) const;
  // The description of the first model line, under any [Manufacturer] models section, that lists
  // hardwareId; nothing when no model names it.
  std::optional<std::string> ModelDescription(const std::string &hardwareId, bool ignoreCase) const;

private:
  struct Line {
    std::string key;   // empty for a line without '='
    std::string value; // raw text right of '='
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  const Section *Find(const std::string &name) const;
  std::string Expand(const std::string &text) const;

  std::vector<Section> m_sections;
};

bool SimEqualNoCase(const std::string &a, const std::string &b);
std::string SimUpper(std::string text);
