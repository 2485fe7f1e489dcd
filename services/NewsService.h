#pragma once
// The publisher's news service: three multipart POST requests, their reply
// grammar and error words, the tier table, and the LastNewsId field kept in
// the brand-settings file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Ports.h"

namespace velmora {

// Replies are short texts; anything larger is a misbehaving server.
inline constexpr std::size_t kNewsReplyLimit = std::size_t{16} << 20;
// Separates items in replies and precedes the "OK" marker.
inline constexpr char kNewsItemSeparator = '\xAF';

inline constexpr const char* kNewsScriptList = "getlastnews.php";
inline constexpr const char* kNewsScriptDetails = "getnewsdetails.php";

inline constexpr const char* kNoNewsMessage = "There's no news for this application!";

// One row of the tier table, resolved against the brand settings.
struct NewsTier {
  std::string tierName;     // "Master", "Platinum", "Gold"
  std::string tierCode;     // "BM", "BP", "BG"
  std::string publisherId;  // the tier's publisher id
  std::string baseUrl;      // the tier's news base address
};

// The three rows in the order callers walk them.
std::vector<NewsTier> NewsTierTable(const BrandSettings& brand);
// The row whose name equals BranderType exactly and whose publisher id is set.
std::optional<NewsTier> MatchNewsTier(const BrandSettings& brand);

// Base address + script with exactly one "/" added when the base lacks it.
std::string NewsScriptUrl(std::string_view baseUrl, std::string_view script);

// A trimmed reply that carries the success marker: "OK" alone, or "OK" as one
// of its pieces between item separators. Text that merely holds the letters
// OK (an error page, a title) is no reply of the service.
bool IsSuccessReply(std::string_view trimmedReply);

// The warning for a failed reply, or nothing when that reply gets none.
std::optional<std::string> NewsFailureMessage(std::string_view trimmedReply, bool detailsRequest);

struct LatestNews {
  std::string id;
  std::string title;
  bool any = false;  // false for "OK" alone or data without a title
};

// The requests. `brand` supplies BranderCode; the tier supplies the rest.
class NewsService {
public:
  NewsService(HttpClient& http, MessagePort& messages) : http_(http), messages_(messages) {}

  // Appends the listed items to `newsList`. Warns on an error reply.
  bool GetNewsList(const NewsTier& tier, const std::string& branderCode, std::vector<std::string>& newsList);
  // Silent in every case.
  std::optional<LatestNews> GetLastNews(const NewsTier& tier, const std::string& branderCode);
  // The decoded HTML of one item. Warns on an error reply and on a text
  // whose hex escapes are malformed.
  std::optional<std::string> GetNewsDetails(const NewsTier& tier, const std::string& branderCode,
                                            const std::string& newsId);

private:
  // The trimmed reply; empty when the request failed in any way.
  std::string Post(const NewsTier& tier, const std::string& branderCode, const char* script,
                   const FormField& fourth);
  void WarnFor(std::string_view trimmedReply, bool detailsRequest);

  HttpClient& http_;
  MessagePort& messages_;
};

// An id that may be written into the brand file: a plain decimal number,
// optionally signed, that fits the signed 32-bit comparison. Ids come from
// the server; anything else could rewrite the file's other fields.
bool IsStorableNewsId(std::string_view id);

// The stored id of the item last opened; empty when the file, the tag or a
// readable file is missing.
std::string ReadLastNewsId(const std::string& programFolder);
// Stores the id in dbsettings.dat. Writes nothing when the file is missing
// or cannot be deciphered, so a damaged file is never replaced by one that
// holds only this field, nor for an id that IsStorableNewsId refuses.
// Throws FileError when the folder refuses the write.
void WriteLastNewsId(const std::string& programFolder, const std::string& id);

}  // namespace velmora
