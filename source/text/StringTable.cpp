#include "source/text/StringTable.h"

#include <QFile>
#include <QString>

#include <map>
#include <sstream>

// A static library's resources are not registered on their own; the loader
// does it so that no user of the tables has to.
static void RegisterStringResources() { Q_INIT_RESOURCE(strings); }

namespace selvo {

namespace {

using Table = std::map<int, std::string>;

std::string Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    char next = text[++i];
    switch (next) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: out += c; out += next; break;
    }
  }
  return out;
}

// "number<TAB>text" rows; '#' lines, blank lines and rows without a valid
// number are skipped.
Table ParseTable(const std::string& data) {
  Table table;
  std::istringstream lines(data);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos || tab == 0) continue;
    bool ok = false;
    int id = QString::fromStdString(line.substr(0, tab)).toInt(&ok);
    if (ok) table[id] = Unescape(line.substr(tab + 1));
  }
  return table;
}

Table LoadTable(const char* resourcePath) {
  RegisterStringResources();
  QFile file(QString::fromLatin1(resourcePath));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return ParseTable(file.readAll().toStdString());
}

// Loaded once, on first use, thread-safe by the rules for function statics.
const Table& TableFor(UiLanguage language) {
  static const Table english = LoadTable(":/strings/strings_en.tsv");
  static const Table japanese = LoadTable(":/strings/strings_ja.tsv");
  return language == UiLanguage::Japanese ? japanese : english;
}

}  // namespace

std::string LoadString(int id) { return LoadString(id, CurrentUiLanguage()); }

std::string LoadString(int id, UiLanguage language) {
  const Table& table = TableFor(language);
  auto row = table.find(id);
  return row == table.end() ? std::string() : row->second;
}

bool HasString(int id, UiLanguage language) { return TableFor(language).count(id) != 0; }

std::string FillTableText(const std::string& text, const std::vector<std::string>& args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      const char kind = text[i + 1];
      if (kind == 's' || kind == 'd') {
        if (next < args.size()) out += args[next];
        ++next;
        ++i;
        continue;
      }
      if (kind == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace selvo
