// Fills the "%s" places of a text from the language tables with wide
// strings, in order. The texts are data: a "%s" without an argument stays
// empty, "%%" is a percent sign, and anything else is copied as it is.
#pragma once

#include <initializer_list>
#include <string>

namespace pendrel {

std::wstring FormatText(const std::wstring& format, std::initializer_list<std::wstring> args);

}  // namespace pendrel
