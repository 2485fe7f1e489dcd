#pragma once
// A project of a given size for the benchmarks.

#include <string>

#include "project/AffManager.h"
#include "project/PromoLists.h"

namespace velmora {

// `items` promos spread evenly over the eight lists, each of a realistic size.
inline TAffManager ProjectOf(std::size_t items) {
  TAffManager project;
  project.Title = "Benchmark page";
  project.URL = "http://xxxx.vendor.hop.example/";
  project.Template = "Blue Sky";
  for (std::size_t i = 0; i < items; ++i) {
    const std::string n = std::to_string(i);
    switch (kPromoKinds[i % kPromoKinds.size()]) {
      case PromoKind::Anchors: project.Anchors.push_back("Buy the product now " + n); break;
      case PromoKind::PPC: project.PPC.push_back("^Ad " + n + "^First line$$Second line$$Third^http://l/" + n + "^"); break;
      case PromoKind::Banners: project.Banners.push_back("http://banners.example/" + n + ".gif"); break;
      case PromoKind::Signatures: project.Signatures.push_back("Regards$$Tom " + n); break;
      case PromoKind::Email: project.Email.push_back("Hello " + n + "$$A mail of a few lines$$Bye"); break;
      case PromoKind::AutoEmail: project.AutoEmail.push_back("Day " + n + "$$Welcome aboard"); break;
      case PromoKind::Articles: project.Articles.push_back("Article " + n + "$$" + std::string(200, 'a')); break;
      case PromoKind::PopUps: project.PopUps.push_back("<script>open('" + n + "')</script>"); break;
    }
  }
  return project;
}

}  // namespace velmora
