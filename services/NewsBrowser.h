#pragma once
// What the news button and the news window decide: whether there is news to
// show, the rows of the list, and opening one item (with the Busy guard the
// window needs because requests let user events run while they wait).

#include <optional>
#include <string>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Ports.h"

namespace velmora {

struct NewsRow {
  std::string id;
  std::string title;
  std::string date;
};

// Clears `newsList`, fetches it for the brand's tier and tells whether the
// news window should open; otherwise the user has been told why, in one box.
bool CheckNews(HttpClient& http, MessagePort& messages, const BrandSettings& brand,
               std::vector<std::string>& newsList);

// One row per item, in order; missing fields are empty.
std::vector<NewsRow> NewsRows(const std::vector<std::string>& newsList);

class NewsItemOpener {
public:
  NewsItemOpener(HttpClient& http, MessagePort& messages, const BrandSettings& brand, std::string programFolder)
      : http_(http), messages_(messages), brand_(brand), programFolder_(std::move(programFolder)) {}

  bool Busy() const { return busy_; }

  struct Opened {
    std::string html;
    bool idStored = false;  // false when the folder refused the write or the id is not storable
  };
  // Fetches the item's text and stores its id as LastNewsId. Nothing when
  // the request failed (the warning has been shown) or while already busy.
  std::optional<Opened> Open(const std::string& id);

private:
  HttpClient& http_;
  MessagePort& messages_;
  const BrandSettings& brand_;
  std::string programFolder_;
  bool busy_ = false;
};

}  // namespace velmora
