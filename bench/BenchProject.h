#pragma once
// The project and template the page benchmarks share: a shipped template
// and promos of every kind, each of a realistic size.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/FileIO.h"
#include "app/Ports.h"
#include "app/Utils.h"
#include "project/Project.h"

namespace velmora::bench {

// For edits that nothing in a benchmark may refuse.
class NoMessages : public MessagePort {
public:
  void ShowMessage(MessageKind, const std::string&) override { std::abort(); }
  bool AskOkCancel(MessageKind, const std::string&, DefaultButton) override { return true; }
};

inline const std::string& TemplateText() {
  static const std::string text = JoinLines(
      ReadLineFile(std::filesystem::path(__FILE__).parent_path().parent_path() / "templates" / "aurora.tem").value());
  return text;
}

// `items` promos spread evenly over the eight kinds, each of a realistic size.
inline Project ProjectOf(std::size_t items) {
  Project p;
  p.Title = "Benchmark page";
  p.URL = "http://xxxx.vendor.hop.example/";
  p.ClickBankId = "partner@example.com";
  const std::string paragraph =
      "Fresh vegetables all year round, even on the smallest balcony of the city, with ten minutes of work a day.";
  for (std::size_t i = 0; i < items; ++i) {
    const std::string n = std::to_string(i);
    switch (i % 8) {
      case 0: p.Anchors.push_back("Grow vegetables twice as fast " + n); break;
      case 1: p.PPC.push_back("^Grow Food at Home " + n + "^" + paragraph + "^www.example.com/" + n + "^"); break;
      case 2: p.Banners.push_back("http://banners.example/" + n + ".gif"); break;
      case 3: p.Signatures.push_back("Happy gardening!$$-- Anna$$More: %%AFFILIATELINK%% " + n); break;
      case 4: p.Email.push_back("Subject: Offer " + n + "$$$$Hi [Name],$$$$" + paragraph + "$$" + paragraph + "$$%%AFFILIATELINK%%$$$$Anna"); break;
      case 5: p.AutoEmail.push_back("Subject: Day " + n + "$$$$Hi [Name],$$$$" + paragraph + "$$" + paragraph); break;
      case 6: p.Articles.push_back("Article " + n + "$$$$" + paragraph + "$$" + paragraph + "$$" + paragraph + "$$" + paragraph + "$$" + paragraph + "$$" + paragraph); break;
      default: p.PopUps.push_back("<script>$$window.open('offer" + n + ".html');$$</script>"); break;
    }
  }
  return p;
}

}  // namespace velmora::bench
