#include "ui/main/account_panel_win.h"

#include "app/client_state.h"
#include "app/deployment.h"
#include "app/window_messages.h"
#include "service/announcements_worker.h"
#include "ui/host/shell_open_win.h"
#include "ui/main/main_window_texts.h"

namespace kestro {

namespace {

constexpr wchar_t kLoadingAnnouncements[] = L"正在获取服务公告";
constexpr wchar_t kAnnouncementsFailed[] = L"获取服务公告失败，点击重试";

}  // namespace

bool AccountPanel::onCommandId(const std::wstring& id) {
  if (id == L"linkretryannounce") {
    retry();
    return true;
  }
  if (id.starts_with(L"linknews")) {
    shellOpen(view_.window(), L"open", webSiteAddress() + L"/Service/viewannounce/id/" + id.substr(8) + L".html");
    return true;
  }
  return false;
}

bool AccountPanel::onMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_ANNOUNCE_READY: listAnnouncements(); return true;
    case WM_ANNOUNCE_FAILED: offerRetry(); return true;
    default: return false;
  }
}

void AccountPanel::fill() {
  startAnnouncementsWorker();
  const ClientState& state = ClientState::instance();
  if (const std::wstring date = state.expireDate(); !date.empty()) view_.setText(TxtExpireDate, date);
  if (const std::wstring address = state.ipAddress(); !address.empty()) view_.setText(TxtIpAddress, address);
  if (const std::wstring name = state.ipName(); !name.empty()) view_.setText(TxtIpName, name);
  view_.setText(TxtLeaveDays, leaveDaysText(state.leaveDays()));
  if (const std::wstring type = accountTypeText(state.accountType()); !type.empty()) view_.setText(TxtAccountType, type);
  if (const std::wstring status = accountStatusText(state.accountStatus()); !status.empty())
    view_.setText(TxtAccountStatus, status);
}

void AccountPanel::listAnnouncements() {
  view_.show(LoadingAnnounce, L"none");
  htmlayout::dom::element list = view_.page(ListServiceAnnounce);
  for (const auto& [id, title] : ClientState::instance().announcements()) {
    htmlayout::dom::element item = htmlayout::dom::element::create("li");
    htmlayout::dom::element link = htmlayout::dom::element::create("widget", title);
    link.set_attribute("class", L"textlinkgray");
    link.set_attribute("id", L"linknews" + std::to_wstring(id));
    item.append(link);
    list.append(item);
  }
}

void AccountPanel::offerRetry() {
  htmlayout::dom::element loading = view_.page(LoadingAnnounce);
  loading.clear();
  htmlayout::dom::element retry = htmlayout::dom::element::create("widget", kAnnouncementsFailed);
  retry.set_attribute("class", L"textlink");
  retry.set_attribute("id", L"linkretryannounce");
  loading.append(retry);
}

void AccountPanel::retry() {
  htmlayout::dom::element loading = view_.page(LoadingAnnounce);
  loading.clear();
  htmlayout::dom::element image = htmlayout::dom::element::create("img");
  image.set_attribute("src", L"LOADING.GIF");
  image.set_style_attribute("margin-right", L"6px");
  image.set_style_attribute("margin-top", L"4px");
  loading.set_text(kLoadingAnnouncements);
  loading.append(image);
  startAnnouncementsWorker();
}

}  // namespace kestro
