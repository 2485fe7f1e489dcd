// Replies of the news service as a hostile server may send them: list,
// latest news and details, through the requests the program makes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "app/Utils.h"
#include "services/NewsService.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/mock/FakePorts.h"

using namespace velmora;

namespace {

const NewsTier kTier{"Master", "BM", "pub", "http://news.example/"};

void CheckStorableId(const std::string& id) {
  if (!IsStorableNewsId(id)) return;
  // Nothing but a number can reach the brand file, and it reads back whole.
  FUZZ_CHECK(id.find_first_not_of("+-0123456789") == std::string::npos);
  std::string work = TagLine("LastNewsId", id);
  FUZZ_CHECK(ExtractTagged(OpenTag("LastNewsId"), CloseTag("LastNewsId"), work) == id);
  const std::string digits = id[0] == '+' ? id.substr(1) : id;
  FUZZ_CHECK(std::strtoll(digits.c_str(), nullptr, 10) == ToInt32OrZero(id));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // The last byte picks the request.
  const int request = input.ConsumeIntegralInRange(0, 2);
  const std::string reply = input.ConsumeRemainingBytesAsString();
  const bool success = IsSuccessReply(TrimControl(reply));

  test::FakeHttp http;
  http.replies[NewsScriptUrl(kTier.baseUrl, kNewsScriptList)] = reply;
  http.replies[NewsScriptUrl(kTier.baseUrl, kNewsScriptDetails)] = reply;
  test::FakeMessages messages;
  NewsService news(http, messages);

  if (request == 0) {
    const auto list = http.Settle<NewsReply<std::vector<std::string>>>(
        [&](auto done) { news.GetNewsList(kTier, "CODE", done); });
    FUZZ_CHECK(list && !list->cancelled);
    FUZZ_CHECK(list->value.has_value() == success);
    for (const auto& item : list->value.value_or(std::vector<std::string>())) {
      FUZZ_CHECK(!item.empty() && item != "OK" && item.find(kNewsItemSeparator) == std::string::npos);
      CheckStorableId(FieldOrEmpty(SplitFields('^', item), 0));
    }
    FUZZ_CHECK(messages.shown.size() <= 1);
  } else if (request == 1) {
    const auto last = http.Settle<NewsReply<LatestNews>>([&](auto done) { news.GetLastNews(kTier, "CODE", done); });
    FUZZ_CHECK(last && !last->cancelled);
    const auto& latest = last->value;
    FUZZ_CHECK(latest.has_value() == success);
    if (latest && latest->any) {
      FUZZ_CHECK(latest->id.find('^') == std::string::npos && latest->title.find('^') == std::string::npos);
      CheckStorableId(latest->id);
    }
    FUZZ_CHECK(messages.shown.empty());
  } else {
    const auto details =
        http.Settle<NewsReply<std::string>>([&](auto done) { news.GetNewsDetails(kTier, "CODE", "1", done); });
    FUZZ_CHECK(details && !details->cancelled);
    const auto& html = details->value;
    if (!success) FUZZ_CHECK(!html);
    // A text either decodes whole or the request fails with at most one warning.
    if (html) FUZZ_CHECK(messages.shown.empty());
    FUZZ_CHECK(messages.shown.size() <= 1);
    if (html) FUZZ_CHECK(html->size() <= reply.size());
  }
  return 0;
}
