// Tests of the shipped catalogues share/qderror.h and share/qdfid.h: every entry reads
// back through the library's own lookup, numbers and names are unique, texts keep the
// line and length limits, and every conversion in a text is one the formatter knows.
#include <regex>
#include <tuple>

#include "report_support.h"
#include "types/types_test_util.h"

namespace {

struct FileEntry {
  std::string name;
  long number;
};

std::vector<FileEntry> entries_of(const std::string& path, size_t* longest_line) {
  std::ifstream in(path);
  std::vector<FileEntry> out;
  std::string line;
  std::regex define("#define[ \t]+([A-Za-z_0-9]+)[ \t]+(-?[0-9]+)[ \t]*");
  *longest_line = 0;
  while (std::getline(in, line)) {
    *longest_line = std::max(*longest_line, line.size());
    std::smatch m;
    if (line.rfind("#define", 0) == 0) {
      EXPECT_TRUE(std::regex_match(line, m, define)) << "not an entry line: " << line;
      if (!m.empty()) out.push_back({m[1], std::stol(m[2])});
    }
  }
  return out;
}

using CatalogTest = qdtest::ReportTest;

void check_file(const std::string& file, bool messages) {
  size_t longest = 0;
  std::vector<FileEntry> entries = entries_of(std::string(QD_SHARE_DIR) + "/" + file, &longest);
  EXPECT_LE(longest, 299u) << file;
  ASSERT_FALSE(entries.empty());
  std::set<long> numbers;
  std::set<std::string> names;
  const std::string prefix = messages ? "QDE_" : "QDF_";
  for (const FileEntry& e : entries) {
    EXPECT_TRUE(numbers.insert(e.number).second) << "number twice: " << e.number;
    EXPECT_TRUE(names.insert(e.name).second) << "name twice: " << e.name;
    EXPECT_EQ(e.name.rfind(prefix, 0), 0u) << e.name;
    EXPECT_NE(e.number, 0) << e.name;
    qd::CatalogEntry found;
    char report[qd::kReportSize] = "";
    bool ok = messages ? qd::lookup_message(static_cast<int>(e.number), report, &found)
                       : qd::lookup_function(static_cast<int>(e.number), report, &found);
    ASSERT_TRUE(ok) << e.name << " " << report;
    EXPECT_EQ(found.name, e.name);
    std::string raw = found.text;
    EXPECT_LT(raw.size(), qd::kCatalogTextMax) << e.name << ": text may have been cut";
    // One comment block, nothing after it.
    EXPECT_EQ(raw.find("/*"), 0u) << e.name;
    EXPECT_EQ(raw.find("*/"), raw.rfind("*/")) << e.name;
    EXPECT_EQ(raw.find_first_not_of(" \n", raw.rfind("*/") + 2), std::string::npos) << e.name;
    qd::clean_comment(found.text);
    std::string text = found.text;
    EXPECT_FALSE(text.empty()) << e.name;
    EXPECT_EQ(text.back(), '\n') << e.name;
    // Only the conversions the formatter reads.
    std::regex conv("%[-+ #0]*(\\*|[0-9]+)?(\\.(\\*|[0-9]+))?(ll|l|h|I64)?([diuxXocsfeEgGp%])");
    for (size_t p = text.find('%'); p != std::string::npos; p = text.find('%', p + 1)) {
      std::smatch m;
      std::string rest = text.substr(p);
      ASSERT_TRUE(std::regex_search(rest, m, conv, std::regex_constants::match_continuous))
          << e.name << ": unknown conversion in " << text;
      if (m[5] == "%") ++p;
    }
    if (!messages) {
      EXPECT_EQ(text.find('%'), std::string::npos) << e.name << ": function texts take no values";
    }
  }
}

TEST_F(CatalogTest, MessagesParseAndKeepTheirLimits) { check_file("qderror.h", true); }

TEST_F(CatalogTest, FunctionIdsParseAndKeepTheirLimits) { check_file("qdfid.h", false); }

TEST_F(CatalogTest, CompiledTablesMatchTheFiles) {
  size_t longest = 0;
  auto messages = entries_of(std::string(QD_SHARE_DIR) + "/qderror.h", &longest);
  size_t n = 0;
  for (const auto* e = qd::catalog::kMessages; e->text; ++e) ++n;
  EXPECT_EQ(n, messages.size());
  for (const FileEntry& f : messages) {
    EXPECT_NE(qd::catalog::text_of(qd::catalog::kMessages, f.number), nullptr) << f.name;
  }
}

// The one reader of the catalogue lines: CRLF, cut lines and names, heads without numbers.
TEST(CatalogReader, LinesAndEntryHeads) {
  const std::string long_name(400, 'N'), long_text(310, 't');
  struct Case {
    std::string line, text;  // as the file holds it; what the reader keeps
    bool cut, define, numbered;
    long number;
    size_t name_length;
  } cases[] = {
      {"#define\tQDE_X  42 \r\n", "#define\tQDE_X  42 \n", false, true, true, 42, 5},
      {"#define QDE_Y\n", "#define QDE_Y\n", false, true, false, 0, 5},
      // Cut within the name: what is left of it, no number.
      {"#define " + long_name + " -7\n", ("#define " + long_name).substr(0, 299), true, true, false,
       0, 291},
      {long_text + "\n", long_text.substr(0, 299), true, false, false, 0, 0},
      {"#defined 1\n", "#defined 1\n", false, true, true, 1, 1},  // the name is "d"
      {"last", "last", false, false, false, 0, 0},
  };
  std::string file;
  for (const Case& c : cases) file += c.line;
  qdtest::TempDir dir;
  FILE* f = std::fopen(dir.write("cat.h", file).c_str(), "rb");
  ASSERT_NE(f, nullptr);
  qd::CatalogLine line;
  for (const Case& c : cases) {
    ASSERT_TRUE(qd::read_catalog_line(f, &line)) << c.line;
    EXPECT_EQ(line.text, c.text);
    EXPECT_EQ(std::make_tuple(line.cut, line.define, line.numbered, std::strlen(line.name)),
              std::make_tuple(c.cut, c.define, c.numbered, c.name_length))
        << c.line;
    if (c.numbered) {
      EXPECT_EQ(line.number, c.number) << c.line;
    }
  }
  EXPECT_FALSE(qd::read_catalog_line(f, &line));
  std::fclose(f);
}

// Comment blocks become plain text: marks dropped, continuation lines unindented.
TEST(CleanComment, Table) {
  for (const typetest::Row& c : typetest::read_cases("clean_comment.txt")) {
    char buf[128];
    std::strcpy(buf, c[0].c_str());
    qd::clean_comment(buf);
    EXPECT_EQ(buf, c[1]) << c[0];
  }
}

}  // namespace
