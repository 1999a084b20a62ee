// Raw bytes as a server's reply: fed to the response reader in pieces whose
// sizes come from the input, then to the whole client through an in-memory
// connection (redirects included).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "service/http_client.h"
#include "service/http_response_reader.h"

namespace {

class ReplayTransport : public kestro::HttpTransport {
 public:
  explicit ReplayTransport(std::string_view bytes) : bytes_(bytes) {}
  bool isConnected() const override { return connected_; }
  bool connect(const std::wstring&, uint16_t, uint32_t) override { return connected_ = true; }
  bool send(const char*, size_t, uint32_t) override { return connected_; }
  int64_t receive(char* buffer, size_t capacity, uint32_t) override {
    if (!connected_) return -1;
    if (bytes_.empty()) return 0;
    // Odd-sized receives exercise every boundary.
    const size_t size = std::min({capacity, bytes_.size(), size_t{1} + bytes_.size() % 97});
    bytes_.copy(buffer, size);
    bytes_.remove_prefix(size);
    return static_cast<int64_t>(size);
  }
  void close() override { connected_ = false; }

 private:
  std::string_view bytes_;
  bool connected_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 64;
  const std::string_view wire(reinterpret_cast<const char*>(data) + 1, size - 1);

  kestro::HttpResponseReader reader;
  for (size_t at = 0; at < wire.size(); at += piece) {
    if (reader.feed(wire.substr(at, piece)) == kestro::HttpResponseReader::State::Failed) break;
  }
  reader.feedEmpty();
  reader.receiveFailed();
  if (reader.state() == kestro::HttpResponseReader::State::Complete && reader.body().size() > kestro::kMaxBodyBytes)
    __builtin_trap();

  kestro::HttpClient client(std::make_unique<ReplayTransport>(wire));
  kestro::RequestOptions options;
  client.navigate(L"http://127.0.0.1:8080/dir/page.php", options);
  if (client.body()[client.bodyLength()] != '\0') __builtin_trap();
  return 0;
}
