// News, updates, help, "Make Money", banner and side links, and Timer1.
#include "ui/FMain.h"

namespace velmora {

namespace {

// Until the network client exists every request fails, as offline.
class OfflineHttpClient final : public HttpClient {
public:
  std::optional<std::string> PostMultipart(const std::string&, const std::vector<FormField>&, std::size_t) override {
    return std::nullopt;
  }
  std::optional<std::string> Get(const std::string&, std::size_t) override { return std::nullopt; }
  void Disconnect() override {}
};

}  // namespace

std::unique_ptr<HttpClient> TfrmMain::CreateHttpClient() { return std::make_unique<OfflineHttpClient>(); }

void TfrmMain::ConnectServices() {}

}  // namespace velmora
