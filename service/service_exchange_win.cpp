#include "service/service_exchange.h"

#include "service/http_client_win.h"

namespace kestro {

ServiceReply exchangeWithService(std::wstring_view endpoint, HttpMethod method, const std::vector<FormField>& form,
                                 ReplyShape shape, size_t maxElements) {
  RequestOptions options;
  if (method == HttpMethod::Post) {
    options.method = L"POST";
    options.dataType = kFormDataType;
    options.body = encodeForm(form);
  }
  ServiceHttpClient client;
  client.navigate(endpointUrl(endpoint), options);
  return interpretServiceReply(client.failure(), client.status(), std::string_view(client.body(), client.bodyLength()),
                               shape, maxElements);
}

}  // namespace kestro
