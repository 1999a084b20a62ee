// What the three windows share: a borderless pop-up with rounded corners whose
// whole client area is one page of the program's resources, centred on the
// primary screen and dragged by its top 26 pixels. Sizes are CSS pixels,
// shown at the display's scale.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom.h"
#include "htmlayout/event_handler.h"
#include "htmlayout/notification_handler.h"
#include "ui/host/element_bindings.h"

namespace kestro {

enum class MessageIcon : int32_t;
enum class QuestionWeight;

struct WindowSpec {
  const wchar_t* className;
  UINT classStyle;
  DWORD extendedStyle;
  int width;
  int height;
  const wchar_t* page;  // resource file name of the page, such as "LOGIN"
  const wchar_t* title;
  int showCommand;
};

// Height of the strip at the top by which a window is dragged.
inline constexpr int kDragStripHeight = 26;

class HtmlWindow : public htmlayout::event_handler, public htmlayout::notification_handler<HtmlWindow> {
 public:
  HtmlWindow(const WindowSpec& spec, unsigned subscription);
  ~HtmlWindow() override;
  HtmlWindow(const HtmlWindow&) = delete;
  HtmlWindow& operator=(const HtmlWindow&) = delete;

  HWND window() const { return window_; }

  // Registers the class, creates and shapes the window, loads the page, binds
  // the elements, attaches the event handler, sets the initial state and
  // shows the window. False when the system refused to create the window.
  bool create(HINSTANCE instance);

  // Host notifications (called through notification_handler).
  unsigned on_load_data(htmlayout::NMHL_LOAD_DATA* request);

 protected:
  // The ids to bind, in binding order.
  virtual std::span<const std::wstring_view> elementIds() const = 0;
  // Right after the window exists (the login window records its handle).
  virtual void created() {}
  // The page's state right after binding.
  virtual void initialise() {}
  // Window messages of this window from workers (WM_USER to WM_APP), each
  // answered with 1 whether the window knows it or not.
  virtual void onWindowMessage(UINT, WPARAM, LPARAM) {}
  // Any other message the page did not take; true when it is handled (0 is
  // answered), false to let the default handling go on.
  virtual bool onSystemMessage(UINT, WPARAM, LPARAM) { return false; }
  // Login and main windows are created on the heap and freed with the window.
  virtual bool freedWithWindow() const = 0;
  virtual void destroying() {}
  // The login and main windows end the thread's message loop when they go; a
  // message window's loop ends with its window instead (runMessageLoop(HWND)).
  virtual bool endsMessageLoop() const { return true; }

  const htmlayout::dom::element& element(size_t index) const { return elements_[index]; }
  // The index of `target` among the bound elements, or elementIds().size().
  size_t boundIndex(htmlayout::HELEMENT target) const { return elements_.indexOf(target); }
  // Page focus plus keyboard focus in the edit control that stands for the element.
  void focusElement(size_t index);
  // Shows `text` in a message window owned by this one. False when this
  // window was destroyed meanwhile: the caller then returns at once, and the
  // object is freed on the way out.
  bool showOwnedMessage(const std::wstring& text);
  // The same with another icon (an error, say).
  bool showOwnedMessage(const std::wstring& text, MessageIcon icon);
  // The same for a question with Yes and No: the answer (1 Yes, 2 No), or
  // nothing when this window was destroyed meanwhile.
  std::optional<int32_t> askOwnedQuestion(const std::wstring& text, QuestionWeight weight);
  void setDisplay(size_t index, const wchar_t* display);

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void leaveWindow();
  // After an owned message: false (and the object freed when it is the last
  // one open) when the window was destroyed meanwhile.
  bool leaveOwnedMessage();
  bool registerClass(HINSTANCE instance) const;
  void loadPage();
  void shapeToScale();
  bool deliverPicture(const std::wstring& uri);
  void followDpiChange(const RECT& suggested);

  WindowSpec spec_;
  HWND window_ = nullptr;
  int openMessages_ = 0;
  std::wstring className_;
  ElementBindings elements_;
  std::vector<std::wstring> pictures_;  // delivered for the window's scale
};

// GetMessageW for every window of the thread until WM_QUIT.
void runMessageLoop();
// The same until `window` is gone, or until WM_QUIT, which is then posted
// again for the loop outside: a nested loop (a message window's) ends with
// its own window, whatever else closes meanwhile.
void runMessageLoop(HWND window);

}  // namespace kestro
