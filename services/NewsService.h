#pragma once
// The publisher's news service: three multipart POST requests, their reply
// grammar and error words, the tier table, and the LastNewsId field kept in
// the brand-settings file.

#include <cstddef>
#include <functional>
#include <optional>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Places.h"
#include "app/Ports.h"
#include "app/Result.h"

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

// What a request of the service gave: nothing for a failed request (warned
// where the service warns) and for one that Disconnect cancelled (never warned).
template <class T>
struct NewsReply {
  std::optional<T> value;
  bool cancelled = false;
  std::string transportFailure;  // the client's reason when no reply came at all
};

// The requests. `brand` supplies BranderCode; the tier supplies the rest.
// Each returns at once; `done` runs once the reply is in.
class NewsService {
public:
  NewsService(HttpClient& http, MessagePort& messages) : http_(http), messages_(messages) {}

  // The listed items in server order; nothing when the request failed.
  // Warns on an error reply.
  void GetNewsList(const NewsTier& tier, const std::string& branderCode,
                   std::function<void(NewsReply<std::vector<std::string>>)> done);
  // Silent in every case.
  void GetLastNews(const NewsTier& tier, const std::string& branderCode,
                   std::function<void(NewsReply<LatestNews>)> done);
  // The decoded HTML of one item. Warns on an error reply and on a text
  // whose hex escapes are malformed.
  void GetNewsDetails(const NewsTier& tier, const std::string& branderCode, const std::string& newsId,
                      std::function<void(NewsReply<std::string>)> done);

private:
  // `reply` gets the trimmed body, empty (with the client's reason) when the
  // request failed; nothing when it was cancelled.
  void Post(const NewsTier& tier, const std::string& branderCode, const char* script, const FormField& fourth,
            std::function<void(std::optional<std::string>, const std::string& failure)> reply);

  HttpClient& http_;
  MessagePort& messages_;
};

// An id that may be written into the brand file: a plain decimal number,
// optionally signed, that fits the signed 32-bit comparison. Ids come from
// the server; anything else could rewrite the file's other fields.
bool IsStorableNewsId(std::string_view id);

// The stored id of the item last opened; empty when the file, the tag or a
// readable file is missing.
std::string ReadLastNewsId(const std::filesystem::path& programFolder);
// Stores the id in dbsettings.dat. Writes nothing when the file is missing
// or cannot be deciphered, so a damaged file is never replaced by one that
// holds only this field, nor for an id that IsStorableNewsId refuses.
// Unwritable when the folder refuses the write.
Result<void> WriteLastNewsId(const std::filesystem::path& programFolder, const std::string& id);

// The read-news id as the program keeps it: the per-user copy first when
// there is one, else the brand-settings file.
std::string ReadLastNewsId(const Places& places);
// Stores the id in dbsettings.dat when the program folder is the user's to
// write, else (or when that write fails) in the per-user copy, so news read
// stays read. Unwritable when neither can be written.
Result<void> WriteLastNewsId(const Places& places, const std::string& id);

}  // namespace velmora
