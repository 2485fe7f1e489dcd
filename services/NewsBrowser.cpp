#include "services/NewsBrowser.h"

#include <algorithm>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "services/NewsService.h"

namespace velmora {

namespace {

// Tells whether anything was shown, so that a warning is not followed by a
// second box that says less.
class CountingMessages final : public MessagePort {
public:
  explicit CountingMessages(MessagePort& inner) : inner_(inner) {}
  void ShowMessage(MessageKind kind, const std::string& text) override {
    ++shown;
    inner_.ShowMessage(kind, text);
  }
  bool AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) override {
    ++shown;
    return inner_.AskOkCancel(kind, text, preselected);
  }
  int shown = 0;

private:
  MessagePort& inner_;
};

}  // namespace

bool NewsCheck::Start(const BrandSettings& brand, std::function<void(std::vector<std::string>)> done) {
  if (*running_) return false;
  const auto tier = MatchNewsTier(brand);
  if (!tier) {
    messages_.ShowMessage(MessageKind::Information, kNoNewsMessage);
    done({});
    return true;
  }
  *running_ = true;
  auto counted = std::make_shared<CountingMessages>(messages_);
  NewsService(http_, *counted)
      .GetNewsList(*tier, brand.BranderCode,
                   [running = std::weak_ptr<bool>(running_), counted, &messages = messages_,
                    done = std::move(done)](NewsReply<std::vector<std::string>> items) {
                     const auto flag = running.lock();
                     if (!flag) return;
                     *flag = false;
                     if (items.value && !items.value->empty()) return done(std::move(*items.value));
                     if (counted->shown == 0 && !items.cancelled) {
                       messages.ShowMessage(MessageKind::Information, kNoNewsMessage);
                     }
                     done({});
                   });
  return true;
}

std::vector<NewsRow> NewsRows(const std::vector<std::string>& newsList) {
  std::vector<NewsRow> rows;
  rows.reserve(newsList.size());
  for (const auto& item : newsList) {
    const auto fields = SplitFields('^', item);
    rows.push_back({FieldOrEmpty(fields, 0), FieldOrEmpty(fields, 1), FieldOrEmpty(fields, 2)});
  }
  return rows;
}

std::optional<std::size_t> NewestNewsRow(const std::vector<NewsRow>& rows) {
  if (rows.empty()) return std::nullopt;
  const auto newest = std::max_element(rows.begin(), rows.end(), [](const NewsRow& a, const NewsRow& b) {
    return ToInt32OrZero(a.id) < ToInt32OrZero(b.id);
  });
  return static_cast<std::size_t>(newest - rows.begin());
}

bool NewsItemOpener::Open(const std::string& id, std::function<void(std::optional<Opened>)> done) {
  if (*busy_) return false;
  const auto tier = MatchNewsTier(brand_);
  if (!tier) {
    done(std::nullopt);
    return true;
  }
  *busy_ = true;
  NewsService(http_, messages_)
      .GetNewsDetails(*tier, brand_.BranderCode, id,
                      [busy = std::weak_ptr<bool>(busy_), places = places_, id,
                       done = std::move(done)](NewsReply<std::string> html) {
                        const auto flag = busy.lock();
                        if (!flag) return;
                        *flag = false;
                        if (!html.value) return done(std::nullopt);
                        Opened opened{std::move(*html.value), false};
                        // An id the brand file must not take is still shown, only not remembered.
                        if (IsStorableNewsId(id)) {
                          // A read-only program folder: the item is still shown; only
                          // the notifier will announce it again.
                          opened.idStored = WriteLastNewsId(places, id).ok();
                        }
                        done(std::move(opened));
                      });
  return true;
}

}  // namespace velmora
