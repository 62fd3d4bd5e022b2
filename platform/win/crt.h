// The C runtime's stream files as the Windows C library has them: in text
// mode LF is written as CR LF, CR LF is read as LF and a 0x1A byte ends the
// text; "b" in the mode selects binary mode.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace win::crt {

struct FILE;

FILE* fopen(const char* windowsPath, const char* mode);
int fclose(FILE* stream);
char* fgets(char* buffer, int size, FILE* stream);
int fputs(const char* text, FILE* stream);
int fprintf(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
int vfprintf(FILE* stream, const char* format, va_list args);
std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream);
std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* stream);
int fseek(FILE* stream, long offset, int origin);
long ftell(FILE* stream);
int feof(FILE* stream);
int ferror(FILE* stream);
int fflush(FILE* stream);

}  // namespace win::crt
