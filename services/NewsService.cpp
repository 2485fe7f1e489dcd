#include "services/NewsService.h"

#include <system_error>
#include <charconv>

#include "app/BrandFile.h"
#include "app/Utils.h"

namespace velmora {

namespace {

constexpr std::string_view kOkMarker = "OK";
constexpr std::string_view kSeparatedOkMarker = "\xAFOK";
constexpr const char* kInvalidNewsMessage = "There is a trouble with this news. Contact your provider.";

}  // namespace

std::vector<NewsTier> NewsTierTable(const BrandSettings& brand) {
  return {
      {"Master", "BM", brand.MasterPublID, brand.MasterNewsBaseURL},
      {"Platinum", "BP", brand.PlatinumPublID, brand.PlatinumNewsBaseURL},
      {"Gold", "BG", brand.GoldPublID, brand.GoldNewsBaseURL},
  };
}

std::optional<NewsTier> MatchNewsTier(const BrandSettings& brand) {
  for (auto& tier : NewsTierTable(brand)) {
    if (brand.BranderType == tier.tierName && !tier.publisherId.empty()) return tier;
  }
  return std::nullopt;
}

std::string NewsScriptUrl(std::string_view baseUrl, std::string_view script) {
  std::string url(baseUrl);
  if (url.empty() || url.back() != '/') url += '/';
  url += script;
  return url;
}

bool IsSuccessReply(std::string_view trimmedReply) {
  for (const auto& piece : SplitFields(kNewsItemSeparator, trimmedReply)) {
    if (piece == kOkMarker) return true;
  }
  return false;
}

bool IsStorableNewsId(std::string_view id) {
  std::string_view digits = id;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return false;
  std::int32_t value = 0;
  // from_chars takes a minus sign but no plus sign.
  const std::string_view number = id.front() == '+' ? digits : id;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  return ec == std::errc() && end == number.data() + number.size();
}

std::optional<std::string> NewsFailureMessage(std::string_view trimmedReply, bool detailsRequest) {
  if (trimmedReply.empty()) return "There is a trouble accessing the news site. Contact your provider.";
  if (trimmedReply == "CONNECTIONFAIL") return "There is a trouble in the settings file on the news site.";
  if (trimmedReply == "INVALIDUSER") return "There is a trouble with the Publisher Id. Contact your provider.";
  if (trimmedReply == "INVALIDPRODUCT") {
    return "There is a trouble with the product validation. Contact your provider.";
  }
  if (detailsRequest && trimmedReply == "INVALIDNEWS") {
    return kInvalidNewsMessage;
  }
  return std::nullopt;
}

namespace {

template <class T>
NewsReply<T> Delivered(T value) {
  NewsReply<T> reply;
  reply.value = std::move(value);
  return reply;
}

// Nothing came: cancelled, or with the client's reason (empty when a reply
// came that is no answer of the service).
template <class T>
NewsReply<T> Nothing(bool cancelled, const std::string& failure) {
  NewsReply<T> reply;
  reply.cancelled = cancelled;
  reply.transportFailure = failure;
  return reply;
}

void WarnFor(MessagePort& messages, std::string_view trimmedReply, bool detailsRequest) {
  if (const auto message = NewsFailureMessage(trimmedReply, detailsRequest)) {
    messages.ShowMessage(MessageKind::Warning, *message);
  }
}

}  // namespace

void NewsService::Post(const NewsTier& tier, const std::string& branderCode, const char* script,
                       const FormField& fourth,
                       std::function<void(std::optional<std::string>, const std::string& failure)> reply) {
  const std::vector<FormField> fields = {
      {"memusername", tier.publisherId}, {"prodcode", branderCode}, {"prodtype", tier.tierCode}, fourth,
      {"newstarget", "UA"},              {"something", ""},
  };
  http_.PostMultipart(NewsScriptUrl(tier.baseUrl, script), fields, kNewsReplyLimit,
                      [reply = std::move(reply)](HttpResult result) {
                        if (result.outcome == HttpOutcome::Cancelled) return reply(std::nullopt, result.reason);
                        // Every other failure reads as an empty reply: the service's own
                        // grammar has a warning for that.
                        if (!result.ok()) return reply(std::string(), result.reason);
                        reply(TrimControl(result.body), {});
                      });
}

void NewsService::GetNewsList(const NewsTier& tier, const std::string& branderCode,
                              std::function<void(NewsReply<std::vector<std::string>>)> done) {
  Post(tier, branderCode, kNewsScriptList, {"conttype", "all"},
       [&messages = messages_, done = std::move(done)](std::optional<std::string> reply, const std::string& failure) {
         if (!reply) return done(Nothing<std::vector<std::string>>(true, failure));
         if (!IsSuccessReply(*reply)) {
           WarnFor(messages, *reply, false);
           return done(Nothing<std::vector<std::string>>(false, failure));
         }
         std::vector<std::string> items;
         for (auto& piece : SplitFields(kNewsItemSeparator, *reply)) {
           if (piece.empty() || piece == kOkMarker) continue;
           items.push_back(std::move(piece));
         }
         done(Delivered(std::move(items)));
       });
}

void NewsService::GetLastNews(const NewsTier& tier, const std::string& branderCode,
                              std::function<void(NewsReply<LatestNews>)> done) {
  Post(tier, branderCode, kNewsScriptList, {"conttype", "lastcode"},
       [done = std::move(done)](std::optional<std::string> reply, const std::string& failure) {
         if (!reply) return done(Nothing<LatestNews>(true, failure));
         if (!IsSuccessReply(*reply)) return done(Nothing<LatestNews>(false, failure));
         const std::string rest = ReplaceAll(*reply, kSeparatedOkMarker, "");
         LatestNews latest;
         const auto fields = SplitFields('^', rest);
         // Data without a title is outside the grammar; it announces nothing.
         if (rest != kOkMarker && fields.size() >= 2) {
           latest.id = fields[0];
           latest.title = fields[1];
           latest.any = true;
         }
         done(Delivered(std::move(latest)));
       });
}

void NewsService::GetNewsDetails(const NewsTier& tier, const std::string& branderCode, const std::string& newsId,
                                 std::function<void(NewsReply<std::string>)> done) {
  Post(tier, branderCode, kNewsScriptDetails, {"newsid", newsId},
       [&messages = messages_, done = std::move(done)](std::optional<std::string> reply, const std::string& failure) {
         if (!reply) return done(Nothing<std::string>(true, failure));
         if (!IsSuccessReply(*reply)) {
           WarnFor(messages, *reply, true);
           return done(Nothing<std::string>(false, failure));
         }
         const std::string escaped = ReplaceAll(*reply, kSeparatedOkMarker, "");
         std::string html = DecodeHexEscapes(escaped);
         // Decoding gives nothing for a non-empty text only when an escape is
         // malformed: the item is damaged, not empty.
         if (html.empty() && !escaped.empty()) {
           messages.ShowMessage(MessageKind::Warning, kInvalidNewsMessage);
           return done(Nothing<std::string>(false, failure));
         }
         done(Delivered(std::move(html)));
       });
}

std::string ReadLastNewsId(const std::filesystem::path& programFolder) {
  // An unreadable file is one without the field: the notifier then compares with 0.
  const BrandFileContent content = ReadBrandFile(programFolder);
  if (content.status != BrandFileStatus::Ok) return {};
  std::string work = JoinLines(content.lines);
  return ExtractTagged(OpenTag("LastNewsId"), CloseTag("LastNewsId"), work);
}

Result<void> WriteLastNewsId(const std::filesystem::path& programFolder, const std::string& id) {
  if (!IsStorableNewsId(id)) return {};
  BrandFileContent content = ReadBrandFile(programFolder);
  if (content.status != BrandFileStatus::Ok) return {};
  ReplaceTagLine(content.lines, "LastNewsId", id);
  return WriteBrandFile(programFolder, content.lines);
}

std::string ReadLastNewsId(const Places& places) {
  const std::filesystem::path userCopy = places.UserNewsIdFile();
  std::error_code ec;
  if (!userCopy.empty() && std::filesystem::is_regular_file(userCopy, ec)) {
    // An unreadable copy falls back to the brand file, as if there were none.
    if (const auto lines = ReadLineFile(userCopy)) {
      std::string work = JoinLines(*lines);
      return ExtractTagged(OpenTag("LastNewsId"), CloseTag("LastNewsId"), work);
    }
  }
  return ReadLastNewsId(places.ProgramFolder());
}

Result<void> WriteLastNewsId(const Places& places, const std::string& id) {
  if (!IsStorableNewsId(id)) return {};
  const std::filesystem::path userCopy = places.UserNewsIdFile();
  if (places.UsesProgramFolder() || userCopy.empty()) {
    auto written = WriteLastNewsId(places.ProgramFolder(), id);
    if (written) {
      // A stale copy would be read first and undo this write.
      std::error_code ignored;
      if (!userCopy.empty()) std::filesystem::remove(userCopy, ignored);
      return written;
    }
    if (userCopy.empty()) return written;
  }
  MakePrivateFolders(userCopy.parent_path());
  Lines lines;
  ReplaceTagLine(lines, "LastNewsId", id);
  return WriteLineFile(userCopy, lines);
}

}  // namespace velmora
