#include "htmlayout/html_parser.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "base/text_convert.h"

namespace htmlayout {
namespace {

bool is_void(std::string_view tag) {
  static const char* const kVoid[] = {"img", "input", "br", "meta", "link", "hr", "col", "base", "area", "param", "embed", "source", "wbr"};
  return std::any_of(std::begin(kVoid), std::end(kVoid), [&](const char* t) { return tag == t; });
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool is_name_char(char c) { return !is_space(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\''; }

// Start tags that close an open element of the listed kinds first.
bool closes(std::string_view opening, std::string_view open) {
  if (opening == "li") return open == "li";
  if (opening == "tr") return open == "tr" || open == "td" || open == "th";
  if (opening == "td" || opening == "th") return open == "td" || open == "th";
  if (opening == "p" || opening == "div" || opening == "table" || opening == "ul") return open == "p";
  return false;
}

class parser {
 public:
  explicit parser(std::string_view in) : in_(in) {}

  parsed_page run() {
    page_.root = make_element("html");
    retain(page_.root);
    stack_.push_back(page_.root);
    while (pos_ < in_.size()) {
      if (in_[pos_] == '<') tag();
      else text();
    }
    return page_;
  }

 private:
  HELEMENT top() const { return stack_.back(); }

  void add_text(std::string_view raw) {
    if (raw.empty() || text_left_ == 0) return;
    std::wstring t = decode_entities(kestro::fromUtf8(raw));
    if (t.size() > text_left_) t.resize(text_left_);
    text_left_ -= t.size();
    HELEMENT parent = top();
    if (!parent->children.empty() && parent->children.back()->is_text) parent->children.back()->text += t;
    else append_child(parent, make_text(t));
  }

  void text() {
    size_t end = in_.find('<', pos_ + 1);
    if (end == std::string_view::npos) end = in_.size();
    add_text(in_.substr(pos_, end - pos_));
    pos_ = end;
  }

  void skip_until(std::string_view marker) {
    size_t end = in_.find(marker, pos_);
    pos_ = end == std::string_view::npos ? in_.size() : end + marker.size();
  }

  void tag() {
    std::string_view rest = in_.substr(pos_);
    if (rest.starts_with("<!--")) { pos_ += 4; skip_until("-->"); return; }
    if (rest.starts_with("<!") || rest.starts_with("<?")) { skip_until(">"); return; }
    bool closing = rest.size() > 1 && rest[1] == '/';
    size_t p = pos_ + (closing ? 2 : 1);
    size_t name_end = p;
    while (name_end < in_.size() && is_name_char(in_[name_end])) ++name_end;
    if (name_end == p) {  // a lone '<' is text
      add_text(in_.substr(pos_, 1));
      ++pos_;
      return;
    }
    std::string name = ascii_lower(in_.substr(p, name_end - p));
    pos_ = name_end;
    if (closing) { skip_until(">"); close(name); return; }
    HELEMENT el = make_element(name);
    bool self_closed = attributes(el);
    if (elements_left_ == 0) {  // past the cap the page's markup is read but builds nothing
      retain(el);
      release(el);
      if (name == "style" || name == "script") skip_raw_text(name);
      return;
    }
    --elements_left_;
    for (bool again = true; again && stack_.size() > 1;) {
      again = closes(name, top()->tag);
      if (again) stack_.pop_back();
    }
    if (name == "html" && stack_.size() == 1 && page_.root->children.empty()) {
      page_.root->attributes = el->attributes;  // the implied root takes the page's own attributes
      retain(el);
      release(el);
      return;
    }
    append_child(top(), el);
    if (name == "style" || name == "script") { raw_text(el, name); return; }
    if (!self_closed && !is_void(name) && stack_.size() < kMaxTreeDepth) stack_.push_back(el);
  }

  // Reads attributes up to '>'; true for a "/>" ending. The first of repeated
  // names wins; the names seen are kept in a set so that a tag with thousands
  // of attributes costs linear time.
  bool attributes(HELEMENT el) {
    std::unordered_set<std::string> seen;
    while (pos_ < in_.size()) {
      while (pos_ < in_.size() && is_space(in_[pos_])) ++pos_;
      if (pos_ >= in_.size()) return false;
      char c = in_[pos_];
      if (c == '>') { ++pos_; return false; }
      if (c == '/') {
        ++pos_;
        if (pos_ < in_.size() && in_[pos_] == '>') { ++pos_; return true; }
        continue;
      }
      size_t start = pos_;
      while (pos_ < in_.size() && (is_name_char(in_[pos_]) || in_[pos_] == '"' || in_[pos_] == '\'') && in_[pos_] != '=') ++pos_;
      if (pos_ == start) { ++pos_; continue; }
      std::string name = ascii_lower(in_.substr(start, pos_ - start));
      while (pos_ < in_.size() && is_space(in_[pos_])) ++pos_;
      std::string_view value;
      if (pos_ < in_.size() && in_[pos_] == '=') {
        ++pos_;
        while (pos_ < in_.size() && is_space(in_[pos_])) ++pos_;
        if (pos_ < in_.size() && (in_[pos_] == '"' || in_[pos_] == '\'')) {
          char q = in_[pos_++];
          size_t end = in_.find(q, pos_);
          if (end == std::string_view::npos) end = in_.size();
          value = in_.substr(pos_, end - pos_);
          pos_ = std::min(end + 1, in_.size());
        } else {
          size_t vstart = pos_;
          while (pos_ < in_.size() && !is_space(in_[pos_]) && in_[pos_] != '>') ++pos_;
          value = in_.substr(vstart, pos_ - vstart);
        }
      }
      if (seen.insert(name).second) el->attributes.emplace_back(name, decode_entities(kestro::fromUtf8(value)));
    }
    return false;
  }

  // The length of a <style> or <script> body: up to its end tag in any case,
  // found without copying the rest of the page.
  size_t raw_text_length(const std::string& name) const {
    for (size_t at = in_.find("</", pos_); at != std::string_view::npos; at = in_.find("</", at + 2)) {
      if (ascii_lower(in_.substr(at + 2, name.size())) == name) return at - pos_;
    }
    return in_.size() - pos_;
  }

  void raw_text(HELEMENT el, const std::string& name) {
    const size_t length = raw_text_length(name);
    std::string_view body = in_.substr(pos_, length);
    if (body.size() > text_left_) body = body.substr(0, text_left_);
    text_left_ -= body.size();
    if (name == "style") page_.style_sheets.emplace_back(body);
    else append_child(el, make_text(kestro::fromUtf8(body)));
    pos_ += length;
    skip_until(">");
  }

  void skip_raw_text(const std::string& name) {
    pos_ += raw_text_length(name);
    skip_until(">");
  }

  void close(const std::string& name) {
    for (size_t i = stack_.size(); i-- > 1;) {
      if (stack_[i]->tag == name) { stack_.resize(i); return; }
    }
  }

  std::string_view in_;
  size_t pos_ = 0;
  parsed_page page_;
  std::vector<HELEMENT> stack_;
  size_t elements_left_ = kMaxElements;
  size_t text_left_ = kMaxTextLength;
};

wchar_t named_entity(std::wstring_view name) {
  struct entry { const wchar_t* name; wchar_t ch; };
  static const entry kNamed[] = {{L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''},
                                 {L"nbsp", 0xA0}, {L"copy", 0xA9}, {L"reg", 0xAE}, {L"middot", 0xB7}, {L"times", 0xD7},
                                 {L"laquo", 0xAB}, {L"raquo", 0xBB}, {L"hellip", 0x2026}, {L"mdash", 0x2014}, {L"ndash", 0x2013}};
  for (const auto& e : kNamed)
    if (name == e.name) return e.ch;
  return 0;
}

void append_code_point(std::wstring& out, uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(cp);
}

}  // namespace

std::wstring decode_entities(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'&') { out += text[i]; continue; }
    size_t semi = text.find(L';', i);
    if (semi == std::wstring_view::npos || semi - i > 12) { out += L'&'; continue; }
    std::wstring_view body = text.substr(i + 1, semi - i - 1);
    if (!body.empty() && body[0] == L'#') {
      bool hex = body.size() > 1 && (body[1] == L'x' || body[1] == L'X');
      std::wstring_view digits = body.substr(hex ? 2 : 1);
      uint32_t cp = 0;
      bool ok = !digits.empty();
      for (wchar_t d : digits) {
        int v = d >= L'0' && d <= L'9' ? d - L'0' : hex && d >= L'a' && d <= L'f' ? d - L'a' + 10 : hex && d >= L'A' && d <= L'F' ? d - L'A' + 10 : -1;
        if (v < 0) { ok = false; break; }
        cp = std::min<uint32_t>(cp * (hex ? 16 : 10) + v, 0x110000);
      }
      if (!ok) { out += L'&'; continue; }
      append_code_point(out, cp);
    } else if (wchar_t ch = named_entity(body)) {
      out += ch;
    } else {
      out += L'&';
      continue;
    }
    i = semi;
  }
  return out;
}

parsed_page parse_html(std::string_view utf8) { return parser(utf8).run(); }

}  // namespace htmlayout
