#include <gtest/gtest.h>

#include "browser/BuildFolderTree.h"
#include "browser/FileSearch.h"
#include "catalog/NameMatch.h"
#include "save/FilterSettings.h"
#include "session/Session.h"

namespace vantor {
namespace {

TEST(FileSearchTest, NameMatchesEveryRuleOfThePattern) {
  const struct {
    std::u16string name, pattern;
    bool matches;
  } cases[] = {
      {u"Annual REPORT 2012.doc", u"report", true},  // anywhere, case aside
      {u"REPORT", u"REP?", true},                    // ? without *: a prefix
      {u"REP", u"REP?", false},
      {u"ROPE", u"R?X", false},
      {u"REPORT", u"rep*", true},
      {u"AREP", u"REP*", false},
      {u"REP", u"REP**", true},  // several * at the end count as one
      {u"a.doc", u"*.doc", true},
      {u"A.DOC", u"*.doc", true},
      {u"a.docx", u"*.doc", false},
      {u"anything", u"*", true},
      {u"noext", u"*.*", false},
      {u"a.b", u"*.*", true},
      {u"", u"*", false},
      {u"abc", u"", false},
      {u"ab", u"abc", false},  // longer than the name
      {u"aXbYc", u"a*b*c", true},
      {u"abc", u"a*b*c", true},
      {u"abcX", u"a*b*c", false},
      {u"acb", u"a*b*c", false},
      {u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", u"*a*a*a*a*a*a*c", false},  // no blow-up on misses
      {u"\u041E\u0422\u0427\u0401\u0422.doc", u"\u043E\u0442\u0447\u0451", true},  // Cyrillic folds too
  };
  for (const auto& c : cases)
    EXPECT_EQ(NameMatches(c.name, c.pattern), c.matches)
        << std::string(c.name.begin(), c.name.end()) << " / " << std::string(c.pattern.begin(), c.pattern.end());
}

uint16_t DosDate(int year, int month, int day) { return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day); }

// Root: report.doc (2048 bytes, 31-01-2012), OLD.TXT (deleted, 1023 bytes, 01-02-2012);
// DOCS (10) holding a.docx (2049 bytes); DOCS/REPORTS (20, deleted); GONE/ (parent 99
// missing: not in the tree) holding orphan.doc.
struct SearchSession {
  Session s;
  SearchSession() {
    s.state.fileSystemName = u"FAT32";
    RecordTimes jan31{{DosDate(2012, 1, 31), 0}, {DosDate(2012, 1, 31), 0}, {DosDate(2012, 1, 31), 0}};
    RecordTimes feb1{{DosDate(2012, 2, 1), 0}, {DosDate(2012, 2, 1), 0}, {DosDate(2012, 2, 1), 0}};
    s.catalog.AddFolder({.shortName = "DOCS", .parentKey = 0, .ownKey = 10, .times = jan31});
    s.catalog.AddFolder({.shortName = "REPORTS", .deleted = 'y', .parentKey = 10, .ownKey = 20, .times = feb1});
    s.catalog.AddFolder({.shortName = "GONE", .parentKey = 99, .ownKey = 30});
    s.catalog.AddFile({.longName = u"report.doc", .size = 2048, .parentKey = 0, .ownKey = 40, .times = jan31});
    s.catalog.AddFile({.shortName = "OLD.TXT", .deleted = 'y', .size = 1023, .parentKey = 0, .ownKey = 41, .times = feb1});
    s.catalog.AddFile({.longName = u"a.docx", .size = 2049, .parentKey = 10, .ownKey = 42, .times = jan31});
    s.catalog.AddFile({.longName = u"orphan.doc", .size = 5, .parentKey = 30, .ownKey = 43});
    BuildFolderTree(s);
  }
  std::vector<std::string> Find(const SearchQuery& query) {
    std::vector<std::string> found;
    RunFileSearch(s, query, '\\', [&](SearchHit&& hit) {
      found.push_back(hit.row.type + " " + hit.row.name + " in [" + hit.path + "]");
      hits.push_back(std::move(hit));
    });
    return found;
  }
  std::vector<SearchHit> hits;
};

TEST(FileSearchTest, FiltersPathsAndOrder) {
  SearchSession search;
  const auto query = [](std::u16string pattern) {
    SearchQuery q;
    q.pattern = std::move(pattern);
    return q;
  };
  using Found = std::vector<std::string>;
  EXPECT_EQ(search.Find(query(u"*")), (Found{"Folder DOCS in [DOCS]", "Deleted Folder REPORTS in [DOCS\\REPORTS]",
                                            "File report.doc in []", "Deleted File OLD.TXT in []",
                                            "File a.docx in [DOCS]"}));
  SearchQuery q = query(u"REP");
  q.deleted = kDeletedOnly;
  EXPECT_EQ(search.Find(q), (Found{"Deleted Folder REPORTS in [DOCS\\REPORTS]"}));
  q.deleted = kExcludeDeleted;
  EXPECT_EQ(search.Find(q), (Found{"File report.doc in []"}));

  const struct {
    uint64_t low, high, unit;
    Found found;
  } sizes[] = {
      {0, 0, kSizeUnits[0], {"File report.doc in []", "Deleted File OLD.TXT in []", "File a.docx in [DOCS]"}},
      {5, 5, kSizeUnits[1], {}},  // equal bounds take nothing
      {1, 2, kSizeUnits[1], {"File report.doc in []"}},
      {0, 2, kSizeUnits[3], {"File report.doc in []", "Deleted File OLD.TXT in []", "File a.docx in [DOCS]"}},
      {~0ull, ~0ull - 1, kSizeUnits[3], {}},  // bounds beyond 64 bits saturate, never wrap
  };
  for (const auto& size : sizes) {
    SearchQuery bySize = query(u"*");  // folders are not searched with a size
    bySize.bySize = true;
    bySize.low = size.low;
    bySize.high = size.high;
    bySize.unit = size.unit;
    EXPECT_EQ(search.Find(bySize), size.found) << size.low << "-" << size.high;
  }

  const struct {
    CalendarDate from, to;
    Found found;
  } dates[] = {
      {{2012, 1, 31}, {2012, 1, 31}, {"Folder DOCS in [DOCS]", "File report.doc in []", "File a.docx in [DOCS]"}},
      {{2012, 2, 1}, {2030, 12, 31}, {"Deleted Folder REPORTS in [DOCS\\REPORTS]", "Deleted File OLD.TXT in []"}},
      {{2030, 12, 31}, {1970, 1, 1}, {}},  // reversed: nothing
  };
  for (const auto& date : dates) {
    SearchQuery byDate = query(u"*");
    byDate.byDate = true;
    byDate.dateKind = SearchDateKind::kModified;
    byDate.from = date.from;
    byDate.to = date.to;
    EXPECT_EQ(search.Find(byDate), date.found);
  }
}

TEST(FileSearchTest, TickingAHitTicksItInTheTree) {
  SearchSession search;
  search.Find([] {
    SearchQuery q;
    q.pattern = u"*";
    return q;
  }());
  auto& files = search.s.catalog.files();
  const SearchHit& docs = search.hits[0];
  TickSearchHit(search.s, docs, true);  // a folder takes its subtree and files
  EXPECT_EQ(files[2].selected, 'y');
  EXPECT_TRUE(search.s.folderTree.node(docs.row.folder->treeItem)->checked);
  TickSearchHit(search.s, docs, false);
  EXPECT_EQ(files[2].selected, 'n');
  const SearchHit& docx = search.hits[4];
  TickSearchHit(search.s, docx, true);  // a file: its folder shown checked, its flag untouched
  EXPECT_EQ(files[2].selected, 'y');
  EXPECT_TRUE(search.s.folderTree.node(docs.row.folder->treeItem)->bold);
  EXPECT_EQ(docs.row.folder->selected, 'n');
}

TEST(FileSearchTest, FilterSettingsValidateAddApplyAndCancel) {
  SavingFilter filter;
  filter.AddExtension(u"doc");
  FilterSettingsEdit edit(filter);
  const struct {
    std::u16string text;
    const char* refusal;
  } adds[] = {
      {u"jpeg", ""}, {u"jpegs", kExtensionTooLong}, {u"a b", kExtensionBlank}, {u".tx", kExtensionDot},
      {u"t*", kExtensionStar}, {u"DOC", kExtensionListed}, {u"xls", ""}, {u"", ""},
  };
  for (const auto& a : adds) {
    std::string refusal;
    EXPECT_EQ(edit.add(a.text, refusal), a.refusal[0] == 0 && !a.text.empty());
    EXPECT_EQ(refusal, a.refusal);
  }
  EXPECT_EQ(edit.listed(), (std::vector<std::u16string>{u"xls", u"jpeg", u"doc"}));
  EXPECT_EQ(filter.extensionCount, 1);  // the additions wait for Apply
  edit.remove(u"jpeg");                 // a removed addition is not applied either
  edit.apply();
  ASSERT_EQ(filter.extensionCount, 2);
  EXPECT_EQ(filter.Extension(1), u"xls");

  FilterSettingsEdit second(filter);
  std::string refusal;
  second.add(u"tmp", refusal);
  second.add(u"bak", refusal);
  second.setPositions(1, {0, 0, 42, 0, 0, 30});  // created 01-01-2000 to 01-01-2012
  EXPECT_EQ(filter.dateRange[1].earlierYear, 2012);
  EXPECT_EQ(filter.dateRange[1].afterYear, 2000);
  EXPECT_EQ(second.positions(1), (DatePositions{0, 0, 42, 0, 0, 30}));
  second.setPositions(0, kUntouchedDates);
  EXPECT_EQ(filter.dateRange[0].earlierYear, 0);  // untouched: off
  second.cancel();
  EXPECT_EQ(filter.extensionCount, 2);
  EXPECT_EQ(filter.dateRange[1].earlierYear, 0);

  SavingFilter full;
  for (int i = 0; i < 99; ++i) full.AddExtension(u"e" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
  FilterSettingsEdit last(full);
  EXPECT_TRUE(last.add(u"zz", refusal));  // the 100th, waiting for Apply, counts
  EXPECT_FALSE(last.add(u"yy", refusal));
  EXPECT_EQ(refusal, kTooManyExtensions);
}

}  // namespace
}  // namespace vantor
