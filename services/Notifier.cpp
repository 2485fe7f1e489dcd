#include "services/Notifier.h"

#include "app/Utils.h"
#include "services/NewsService.h"

namespace velmora {

void AnnounceNewerNews(HttpClient& http, MessagePort& messages, const Places& places, const BrandSettings& brand,
                       std::function<void(std::optional<std::string> hint)> done) {
  const auto tier = MatchNewsTier(brand);
  if (!tier) return done(std::nullopt);
  NewsService(http, messages)
      .GetLastNews(*tier, brand.BranderCode, [places, done = std::move(done)](NewsReply<LatestNews> reply) {
        if (reply.cancelled) return;
        const auto& latest = reply.value;
        if (!latest || !latest->any) return done(std::nullopt);
        const std::int32_t stored = ToInt32OrZero(ReadLastNewsId(places));
        if (ToInt32OrZero(latest->id) <= stored) return done(std::nullopt);
        done(kNewsHintHeading + latest->title);
      });
}

}  // namespace velmora
