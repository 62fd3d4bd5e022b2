#include "platform/win/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "platform/win/machine.h"

namespace win {
namespace {

// Code page 1252 from 0x80 to 0x9F; the five holes map to the C1 control
// of the same number, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t NextUtf8(std::string_view s, std::size_t& i) {
  static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
  unsigned char b = static_cast<unsigned char>(s[i]);
  int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra == 0) {
    ++i;
    return b;
  }
  if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char cb = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((cb & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (cb & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not characters.
  if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<std::size_t>(extra) + 1;
  return c;
}

namespace {

std::string cp1252ToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() * 2);
  for (char ch : ansi) {
    unsigned char b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
  }
  return out;
}

std::string utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextUtf8(utf8, i);
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] == c) mapped = static_cast<char>(0x80 + k);
    out += mapped;
  }
  return out;
}

// One converter per direction and code page, per thread (iconv_t is not
// safe to share between threads).
struct ConverterCache {
  std::map<std::pair<UINT, bool>, iconv_t> converters;
  ~ConverterCache() {
    for (auto& [key, cd] : converters)
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

iconv_t converter(UINT codePage, bool toUtf8) {
  thread_local ConverterCache cache;
  auto key = std::make_pair(codePage, toUtf8);
  auto it = cache.converters.find(key);
  if (it != cache.converters.end()) return it->second;
  std::string name = "CP" + std::to_string(codePage);
  iconv_t cd = toUtf8 ? iconv_open("UTF-8", name.c_str()) : iconv_open(name.c_str(), "UTF-8");
  cache.converters.emplace(key, cd);
  return cd;
}

// Converts with iconv, replacing what cannot be converted by `replacement`
// and skipping one input unit.
std::string convert(std::string_view in, UINT codePage, bool toUtf8, std::string_view replacement) {
  iconv_t cd = converter(codePage, toUtf8);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.resize(in.size() * 4 + 8);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      std::size_t used = static_cast<std::size_t>(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    // Invalid or incomplete input: one replacement, then skip the unit.
    std::size_t skip = 1;
    if (!toUtf8) {
      std::size_t i = static_cast<std::size_t>(src - in.data());
      std::size_t j = i;
      NextUtf8(in, j);
      skip = j - i;
    }
    if (dstLeft < replacement.size() + 1) {
      std::size_t used = static_cast<std::size_t>(dst - out.data());
      out.resize(out.size() * 2 + replacement.size());
      dst = out.data() + used;
      dstLeft = out.size() - used;
    }
    std::memcpy(dst, replacement.data(), replacement.size());
    dst += replacement.size();
    dstLeft -= replacement.size();
    src += skip;
    srcLeft -= std::min(skip, srcLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

}  // namespace

UINT GetACP() { return CurrentMachine().settings().codePage; }

std::string AnsiToUtf8(std::string_view ansi, UINT codePage) {
  if (isAscii(ansi)) return std::string(ansi);
  if (codePage == 1252) return cp1252ToUtf8(ansi);
  return convert(ansi, codePage, true, "\xEF\xBF\xBD");
}

std::string Utf8ToAnsi(std::string_view utf8, UINT codePage) {
  if (isAscii(utf8)) return std::string(utf8);
  if (codePage == 1252) return utf8ToCp1252(utf8);
  return convert(utf8, codePage, false, "?");
}

char AnsiToUpper(char c, UINT codePage) {
  unsigned char b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (codePage == 1252) {
    if ((b >= 0xE0 && b <= 0xFE && b != 0xF7)) return static_cast<char>(b - 32);
    if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<char>(b - 16);
    if (b == 0xFF) return static_cast<char>(0x9F);
  }
  return c;
}

bool AnsiEqualNoCase(std::string_view a, std::string_view b, UINT codePage) {
  if (a.size() != b.size()) return false;
  bool doubleByte = codePage == 936;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    if (doubleByte && ca >= 0x81 && i + 1 < a.size()) {
      // Lead and trail byte compare exactly.
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (AnsiToUpper(a[i], codePage) != AnsiToUpper(b[i], codePage)) return false;
  }
  return true;
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
  UINT cp = GetACP();
  for (;; ++a, ++b) {
    unsigned char ca = static_cast<unsigned char>(AnsiToUpper(*a, cp));
    unsigned char cb = static_cast<unsigned char>(AnsiToUpper(*b, cp));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

}  // namespace win
