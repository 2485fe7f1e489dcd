#include "services/Notifier.h"

#include "app/Utils.h"
#include "services/NewsService.h"

namespace velmora {

NotifierResult Timer1Timer(const UpdateContext& context, const BrandSettings& brand,
                           const std::function<void(const std::string&)>& showHint) {
  NotifierResult result;
  if (const auto tier = MatchNewsTier(brand)) {
    const auto latest = NewsService(context.http, context.messages).GetLastNews(*tier, brand.BranderCode);
    if (latest && latest->any) {
      const std::int32_t stored = ToInt32OrZero(ReadLastNewsId(context.places));
      if (ToInt32OrZero(latest->id) > stored) {
        showHint(kNewsHintHeading + latest->title);
        result.hintShown = true;
      }
    }
  }
  result.update = CheckForUpdates(context, true);
  return result;
}

}  // namespace velmora
