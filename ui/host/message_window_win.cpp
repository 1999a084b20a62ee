#include "ui/host/message_window_win.h"

namespace kestro {

namespace {

enum Element : size_t { BtnClose, ImgMessage, TxtMessage, BtnYes, BtnNo, BtnOk };
constexpr std::wstring_view kIds[] = {L"btnclose", L"imgmessage", L"txtmessage", L"btnyes", L"btnno", L"btnok"};

constexpr WindowSpec kSpec = {kMessageWindowClass, CS_HREDRAW | CS_VREDRAW, WS_EX_TOPMOST, 372, 201, L"MESSAGE",
                              L"泓迈网游加速器提示", SW_SHOWNORMAL};

const wchar_t* iconPicture(int32_t icon) {
  switch (icon) {
    case 0: return L"url(MICONINFORMATION.PNG)";
    case 1: return L"url(MICONERROR.PNG)";
    case 2: return L"url(MICONWARN.PNG)";
    case 3: return L"url(MICONQUESTION.PNG)";
    default: return nullptr;
  }
}

}  // namespace

CMessageWindow::CMessageWindow(std::wstring text, int32_t icon, int32_t buttons)
    : HtmlWindow(kSpec, htmlayout::HANDLE_BEHAVIOR_EVENT | htmlayout::HANDLE_KEY), text_(std::move(text)), icon_(icon), buttons_(buttons) {}

std::span<const std::wstring_view> CMessageWindow::elementIds() const { return kIds; }

void CMessageWindow::initialise() {
  if (const wchar_t* picture = iconPicture(icon_)) {
    htmlayout::dom::element image = element(ImgMessage);
    image.set_style_attribute("background-image", picture);
  }
  if (!text_.empty()) {
    htmlayout::dom::element message = element(TxtMessage);
    message.set_text(text_);
  }
  if (buttons_ == static_cast<int32_t>(MessageButtons::Ok)) {
    setDisplay(BtnYes, L"none");
    setDisplay(BtnNo, L"none");
    setDisplay(BtnOk, L"inline");
  } else if (buttons_ == static_cast<int32_t>(MessageButtons::YesNo)) {
    setDisplay(BtnYes, L"inline");
    setDisplay(BtnNo, L"inline");
    setDisplay(BtnOk, L"none");
  }
}

int32_t CMessageWindow::run(HWND owner) {
  if (owner != nullptr) EnableWindow(owner, FALSE);
  if (create(GetModuleHandleW(nullptr))) {
    runMessageLoop(window());
    // The loop also ends when the owner is destroyed meanwhile (its quit is
    // passed on to the loop the owner ran in): the message goes with it.
    if (window() != nullptr) DestroyWindow(window());
  }
  if (owner != nullptr) {
    EnableWindow(owner, TRUE);
    ShowWindow(owner, SW_SHOWNORMAL);
    SetForegroundWindow(owner);
  }
  return answer_;
}

bool CMessageWindow::on_event(htmlayout::HELEMENT, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                              uintptr_t) {
  if (type != htmlayout::BUTTON_CLICK) return false;
  switch (boundIndex(target)) {
    case BtnOk: answer_ = kAnswerOk; break;
    case BtnYes: answer_ = kAnswerYes; break;
    case BtnNo: answer_ = kAnswerNo; break;
    case BtnClose: answer_ = closeAnswer(); break;
    default: return false;
  }
  PostMessageW(window(), WM_CLOSE, 0, 0);
  return true;
}

// The close button agrees: OK in OK mode, Yes in Yes/No mode, but No in a
// destructive question.
int32_t CMessageWindow::closeAnswer() const {
  if (buttons_ == static_cast<int32_t>(MessageButtons::Ok)) return kAnswerOk;
  if (buttons_ != static_cast<int32_t>(MessageButtons::YesNo)) return answer_;
  return weight_ == QuestionWeight::Destructive ? kAnswerNo : kAnswerYes;
}

// Enter answers as the default button (OK, or Yes); Esc cancels: OK, or No.
bool CMessageWindow::handle_key(htmlayout::HELEMENT, htmlayout::KEY_PARAMS& params) {
  const bool question = buttons_ == static_cast<int32_t>(MessageButtons::YesNo);
  if (params.cmd != htmlayout::KEY_DOWN) return false;
  if (params.key_code == VK_RETURN) {
    // Enter held down in the window before (the login box) repeats into this
    // one: only a fresh press answers.
    if (params.repeated) return true;
    answer_ = question ? kAnswerYes : kAnswerOk;
  } else if (params.key_code == VK_ESCAPE) {
    answer_ = question ? kAnswerNo : kAnswerOk;
  } else {
    return false;
  }
  PostMessageW(window(), WM_CLOSE, 0, 0);
  return true;
}

void showMessage(HWND owner, const std::wstring& text) { CMessageWindow(text).run(owner); }

}  // namespace kestro
