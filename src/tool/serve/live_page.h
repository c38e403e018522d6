// The live page and its own script and style, carried in the program.
#pragma once

#include <string_view>

namespace compila::serve {

extern const std::string_view live_page_html;
extern const std::string_view live_page_script;
extern const std::string_view live_page_style;

}  // namespace compila::serve
