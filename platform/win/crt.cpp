#include "platform/win/crt.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/files.h"
#include "platform/win/last_error.h"

namespace win::crt {

struct FILE {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool text = true;
  bool append = false;
  bool canRead = false;
  bool canWrite = false;
  bool eof = false;
  bool error = false;
  std::vector<char> in;  // bytes read from the file and not yet handed out
  std::size_t inPos = 0;
};

namespace {

bool refill(FILE* f) {
  f->in.resize(64 * 1024);
  f->inPos = 0;
  DWORD got = 0;
  if (!ReadFile(f->handle, f->in.data(), static_cast<DWORD>(f->in.size()), &got, nullptr)) {
    f->error = true;
    got = 0;
  }
  f->in.resize(got);
  return got > 0;
}

// The next byte as the program sees it, or -1 at the end.
int getByte(FILE* f) {
  if (f->eof) return -1;
  for (;;) {
    if (f->inPos >= f->in.size() && !refill(f)) {
      f->eof = true;
      return -1;
    }
    unsigned char c = static_cast<unsigned char>(f->in[f->inPos++]);
    if (!f->text) return c;
    if (c == 0x1A) {  // Ctrl-Z ends the text
      f->eof = true;
      return -1;
    }
    if (c == '\r') {
      if (f->inPos >= f->in.size() && !refill(f)) return '\r';
      if (f->in[f->inPos] == '\n') {
        ++f->inPos;
        return '\n';
      }
      return '\r';
    }
    return c;
  }
}

bool writeRaw(FILE* f, const char* data, std::size_t size) {
  if (f->append) SetFilePointer(f->handle, 0, nullptr, FILE_END);
  DWORD done = 0;
  if (!WriteFile(f->handle, data, static_cast<DWORD>(size), &done, nullptr) || done != size) {
    f->error = true;
    return false;
  }
  return true;
}

// Drops what was read ahead, so the file position is the program's.
void dropReadAhead(FILE* f) {
  if (f->inPos < f->in.size()) {
    LONG back = -static_cast<LONG>(f->in.size() - f->inPos);
    SetFilePointer(f->handle, back, nullptr, FILE_CURRENT);
  }
  f->in.clear();
  f->inPos = 0;
}

std::size_t writeTranslated(FILE* f, const char* data, std::size_t size) {
  if (!f->canWrite) {
    f->error = true;
    return 0;
  }
  dropReadAhead(f);
  if (!f->text) return writeRaw(f, data, size) ? size : 0;
  std::string out;
  out.reserve(size + size / 16 + 2);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') out += '\r';
    out += data[i];
  }
  return writeRaw(f, out.data(), out.size()) ? size : 0;
}

}  // namespace

FILE* fopen(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  char kind = mode[0];
  bool plus = std::strchr(mode, '+') != nullptr;
  DWORD access = 0, disposition = 0;
  switch (kind) {
    case 'r':
      access = GENERIC_READ | (plus ? GENERIC_WRITE : 0);
      disposition = OPEN_EXISTING;
      break;
    case 'w':
      access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
      disposition = CREATE_ALWAYS;
      break;
    case 'a':
      access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
      disposition = OPEN_ALWAYS;
      break;
    default: return nullptr;
  }
  HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  FILE* f = new FILE;
  f->handle = h;
  f->text = std::strchr(mode, 'b') == nullptr;
  f->append = kind == 'a';
  f->canRead = access & GENERIC_READ;
  f->canWrite = access & GENERIC_WRITE;
  return f;
}

int fclose(FILE* f) {
  if (!f) return EOF;
  bool ok = CloseHandle(f->handle) && !f->error;
  delete f;
  return ok ? 0 : EOF;
}

char* fgets(char* buffer, int size, FILE* f) {
  if (!f || !buffer || size <= 0 || !f->canRead) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = getByte(f);
    if (c < 0) break;
    buffer[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[n] = 0;
  return n == 0 ? nullptr : buffer;
}

int fputs(const char* text, FILE* f) {
  if (!f || !text) return EOF;
  std::size_t len = std::strlen(text);
  return writeTranslated(f, text, len) == len ? 0 : EOF;
}

int vfprintf(FILE* f, const char* format, va_list args) {
  if (!f || !format) return -1;
  va_list copy;
  va_copy(copy, args);
  int len = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (len < 0) return -1;
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<std::size_t>(len));
  return writeTranslated(f, text.data(), text.size()) == text.size() ? len : -1;
}

int fprintf(FILE* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vfprintf(f, format, args);
  va_end(args);
  return n;
}

std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* f) {
  if (!f || !buffer || size == 0 || !f->canRead) return 0;
  std::size_t want = size * count, got = 0;
  char* out = static_cast<char*>(buffer);
  while (got < want) {
    int c = getByte(f);
    if (c < 0) break;
    out[got++] = static_cast<char>(c);
  }
  return got / size;
}

std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* f) {
  if (!f || !buffer || size == 0) return 0;
  return writeTranslated(f, static_cast<const char*>(buffer), size * count) / size;
}

int fseek(FILE* f, long offset, int origin) {
  if (!f) return -1;
  dropReadAhead(f);
  DWORD method = origin == SEEK_SET ? FILE_BEGIN : origin == SEEK_CUR ? FILE_CURRENT : FILE_END;
  LONG high = static_cast<LONG>(static_cast<long long>(offset) >> 32);
  if (SetFilePointer(f->handle, static_cast<LONG>(offset), &high, method) == INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    return -1;
  f->eof = false;
  return 0;
}

long ftell(FILE* f) {
  if (!f) return -1;
  LONG high = 0;
  DWORD low = SetFilePointer(f->handle, 0, &high, FILE_CURRENT);
  long long pos = (static_cast<long long>(high) << 32) | low;
  return static_cast<long>(pos - static_cast<long long>(f->in.size() - f->inPos));
}

int feof(FILE* f) { return f && f->eof ? 1 : 0; }
int ferror(FILE* f) { return f && f->error ? 1 : 0; }
int fflush(FILE* f) { return f ? 0 : EOF; }

}  // namespace win::crt
