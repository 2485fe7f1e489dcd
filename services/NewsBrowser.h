#pragma once
// What the news button and the news window decide: whether there is news to
// show, the rows of the list, and opening one item. Each runs one request at
// a time; one still running when its owner goes never calls back.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Places.h"
#include "app/Ports.h"

namespace velmora {

struct NewsRow {
  std::string id;
  std::string title;
  std::string date;
};

// "Check news now".
class NewsCheck {
public:
  NewsCheck(HttpClient& http, MessagePort& messages) : http_(http), messages_(messages) {}

  bool Running() const { return *running_; }
  // Fetches the list for the brand's tier. `done` gets the items when the
  // news window should open, else nothing: the user has been told why, in
  // one box (or not at all, when Disconnect ended the check). False, and
  // nothing is asked, while a check runs.
  bool Start(const BrandSettings& brand, std::function<void(std::vector<std::string>)> done);

private:
  HttpClient& http_;
  MessagePort& messages_;
  std::shared_ptr<bool> running_ = std::make_shared<bool>(false);
};

// One row per item, in order; missing fields are empty.
std::vector<NewsRow> NewsRows(const std::vector<std::string>& newsList);
// The row the news window opens with: the highest id, read as the notifier
// reads ids (a non-number counts as 0), the first of equals; nothing for no rows.
std::optional<std::size_t> NewestNewsRow(const std::vector<NewsRow>& rows);

class NewsItemOpener {
public:
  NewsItemOpener(HttpClient& http, MessagePort& messages, const BrandSettings& brand, Places places)
      : http_(http), messages_(messages), brand_(brand), places_(std::move(places)) {}

  bool Busy() const { return *busy_; }

  struct Opened {
    std::string html;
    bool idStored = false;  // false when the folder refused the write or the id is not storable
  };
  // Fetches the item's text and stores its id as LastNewsId; `done` gets
  // nothing when the request failed (the warning has been shown) or was
  // cancelled. False, and nothing is asked, while busy.
  bool Open(const std::string& id, std::function<void(std::optional<Opened>)> done);

private:
  HttpClient& http_;
  MessagePort& messages_;
  const BrandSettings& brand_;
  Places places_;
  std::shared_ptr<bool> busy_ = std::make_shared<bool>(false);
};

}  // namespace velmora
