#include "Html.h"

#include "XmlTree.h"

namespace basalt_host::serve {

// The same five escapes as XML text and attribute values.
std::string htmlEscape(std::string_view text) {
    return xmlEscape(text);
}

std::string urlEncode(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

std::string htmlPage(std::string_view lang, std::string_view title, std::string_view body) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"";
    page += htmlEscape(lang);
    page +=
        "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
        "content=\"width=device-width, initial-scale=1\"><title>";
    page += htmlEscape(title);
    page += "</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body>";
    page += body;
    page += "</body></html>\n";
    return page;
}

const char* styleSheet() {
    return R"(body { font-family: "DejaVu Sans", sans-serif; margin: 2em auto; max-width: 60em;
  color: #1d2329; background: #f6f7f9; }
main { background: #fff; border: 1px solid #d5d9de; border-radius: 6px; padding: 1.5em 2em; }
header { display: flex; justify-content: space-between; align-items: center;
  margin-bottom: 1em; }
header form { margin: 0; }
h1 { font-size: 1.4em; margin-top: 0; }
.caption { font-weight: bold; }
.messages { background: #fdecea; border: 1px solid #e5a29b; border-radius: 4px;
  padding: 0.5em 1em; }
.messages li.nested { margin-left: 1.5em; list-style: circle; }
.notice { background: #eaf4fd; border: 1px solid #9bc3e5; border-radius: 4px;
  padding: 0.5em 1em; }
form.prompt div.field { margin: 0.8em 0; display: grid; grid-template-columns: 14em 1fr;
  align-items: center; }
form.prompt input[type=text], form.prompt input[type=password], form.prompt select {
  padding: 0.3em; font-size: 1em; max-width: 20em; }
button { padding: 0.4em 1.2em; font-size: 1em; }
table { border-collapse: collapse; width: 100%; margin: 1em 0; }
th, td { text-align: left; padding: 0.35em 0.6em; border-bottom: 1px solid #e3e6ea; }
th { background: #eef0f3; }
nav.paging { display: flex; gap: 1em; align-items: center; }
nav.crumbs { margin-bottom: 0.5em; color: #5b6570; }
form.filter { margin: 0.5em 0; }
.signedon { color: #2d6a32; }
td, th { overflow-wrap: anywhere; }
@media (max-width: 40em) {
  body { margin: 0; }
  main { border: 0; border-radius: 0; padding: 1em; }
  header { flex-wrap: wrap; gap: 0.5em; }
  form.prompt div.field { grid-template-columns: 1fr; }
  form.prompt input[type=text], form.prompt input[type=password], form.prompt select {
    max-width: 100%; box-sizing: border-box; }
  th, td { padding: 0.3em; }
  nav.paging { flex-wrap: wrap; }
}
)";
}

}  // namespace basalt_host::serve
