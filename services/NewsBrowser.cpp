#include "services/NewsBrowser.h"

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

bool CheckNews(HttpClient& http, MessagePort& messages, const BrandSettings& brand,
               std::vector<std::string>& newsList) {
  newsList.clear();
  bool success = false;
  CountingMessages counted(messages);
  if (const auto tier = MatchNewsTier(brand)) {
    success = NewsService(http, counted).GetNewsList(*tier, brand.BranderCode, newsList);
  }
  if (success && !newsList.empty()) return true;
  if (counted.shown == 0) messages.ShowMessage(MessageKind::Information, kNoNewsMessage);
  return false;
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

std::optional<NewsItemOpener::Opened> NewsItemOpener::Open(const std::string& id) {
  if (busy_) return std::nullopt;
  struct BusyScope {
    bool& flag;
    explicit BusyScope(bool& f) : flag(f) { flag = true; }
    ~BusyScope() { flag = false; }
  } scope(busy_);

  const auto tier = MatchNewsTier(brand_);
  if (!tier) return std::nullopt;
  auto html = NewsService(http_, messages_).GetNewsDetails(*tier, brand_.BranderCode, id);
  if (!html) return std::nullopt;
  Opened opened{std::move(*html), true};
  // An id the brand file must not take is still shown, only not remembered.
  if (!IsStorableNewsId(id)) {
    opened.idStored = false;
    return opened;
  }
  try {
    WriteLastNewsId(programFolder_, id);
  } catch (const FileError&) {
    // A read-only program folder: the item is still shown; only the notifier
    // will announce it again.
    opened.idStored = false;
  }
  return opened;
}

}  // namespace velmora
