#include "app/BrandCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Utils.h"
#include "tests/mock/BrandText.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using test::BrandText;
using test::Field;

std::vector<Field> GoodFields() {
  return {{"ApplicationName", "Acme"},        {"BranderCode", "A1"},
          {"BranderType", "Master"},          {"MasterNewsBaseURL", "http://n.example/"},
          {"MasterPublID", "p1"},             {"AboutText", "about"},
          {"Welcome1", "<h1>Hi</h1>"},        {"Banner1", "ad.jpg^http://click.example/"},
          {"Link1", "Home^http://home.example/"}};
}

// Replaces a field's value, or inserts the field before `before` (appends when empty).
std::vector<Field> With(std::vector<Field> fields, const Field& field, const std::string& before = "") {
  for (auto& f : fields) {
    if (f.first == field.first) {
      f.second = field.second;
      return fields;
    }
  }
  auto at = fields.end();
  for (auto it = fields.begin(); it != fields.end(); ++it)
    if (it->first == before) at = it;
  fields.insert(at, field);
  return fields;
}

std::vector<Field> Without(std::vector<Field> fields, const std::string& name) {
  std::erase_if(fields, [&](const Field& f) { return f.first == name; });
  return fields;
}

struct BrandCheckFixture : ::testing::Test {
  test::TempDir folder;
  BrandCheckFixture() { folder.Write("banner1.dat", "jpeg bytes"); }
  std::vector<std::string> Check(const std::vector<Field>& fields) {
    return CheckBrandText(BrandText(fields), folder.folder());
  }
};

}  // namespace

TEST_F(BrandCheckFixture, AWellMadeFileGivesNoWarning) { EXPECT_THAT(Check(GoodFields()), IsEmpty()); }

TEST_F(BrandCheckFixture, EachMistakeGivesOneWarningNamingIt) {
  struct Case {
    const char* what;
    std::vector<Field> fields;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"field out of order", With(GoodFields(), {"AppHelpURL", "http://h/"}, "BranderType"),
       "AppHelpURL stands before a field that is read earlier"},
      {"welcome after a gap", With(GoodFields(), {"Welcome3", "x"}, "Banner1"),
       "Welcome3 follows a gap (Welcome2 is missing or empty)"},
      {"banner without click address", With(GoodFields(), {"Banner1", "ad.jpg"}), "Banner1 lacks its second field"},
      {"link without address", With(GoodFields(), {"Link1", "Home^"}), "Link1 lacks its second field"},
      {"missing banner picture", With(GoodFields(), {"Banner2", "b.gif^u"}, "Link1"),
       "Banner2 has no picture file banner2.dat"},
      {"tier without publisher id", Without(GoodFields(), "MasterPublID"), "the Master tier has no publisher id"},
      {"tier without news address", With(Without(GoodFields(), "MasterNewsBaseURL"), {"BranderType", "Free"}),
       "the Master tier has no news address"},
      {"other tier half set", With(GoodFields(), {"GoldPublID", "g"}, "AboutText"), "the Gold tier has no news address"},
      {"unknown tier", With(GoodFields(), {"BranderType", "master"}), "BranderType \"master\" is not one of"},
      {"no closing tag", With(GoodFields(), {"AboutText", "about<%%/About%%>"}), "AboutText has no closing tag"},
  };
  for (const auto& c : cases) {
    std::string text = BrandText(c.fields);
    if (std::string(c.what) == "no closing tag") text = ReplaceAll(text, "<%%/AboutText%%>", "");
    const auto warnings = CheckBrandText(text, folder.folder());
    EXPECT_THAT(warnings, ElementsAre(HasSubstr(c.expected))) << c.what;
  }
}

TEST_F(BrandCheckFixture, EntriesPastSixteenAreNamed) {
  std::vector<Field> fields = Without(GoodFields(), "Link1");
  for (int n = 2; n <= 17; ++n) {
    folder.Write("banner" + std::to_string(n) + ".dat", "x");
    fields.push_back({"Banner" + std::to_string(n), "b.png^u"});
  }
  EXPECT_THAT(Check(fields), ElementsAre("Banner17 is past 16 and is never read"));
}
