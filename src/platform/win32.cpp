// The platform layer on Windows: a console process on KERNEL32 alone.
#include "platform/platform.h"

#include "platform/win32.h"

#include <windows.h>

namespace {

// A console keeps the bytes of one read or write in a small shared heap and refuses requests
// much larger than this; files and pipes do not mind the smaller pieces.
constexpr std::size_t largest_piece = 16384;

DWORD piece_of(std::size_t size) {
    return static_cast<DWORD>(size < largest_piece ? size : largest_piece);
}

bool is_handle(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Writes all bytes to the handle, going on after short writes.
bool write_all(DWORD standard_handle, char const* bytes, std::size_t size) {
    HANDLE const handle = GetStdHandle(standard_handle);
    if (!is_handle(handle)) return size == 0;
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes, piece_of(size), &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

HANDLE handle_of(platform_file file) {
    return reinterpret_cast<HANDLE>(file);
}

} // namespace

open_failure open_failure_of_system_error(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return open_failure::not_found;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NOT_READY:
    case ERROR_WRITE_PROTECT:
    case ERROR_DRIVE_LOCKED:
        return open_failure::permission_denied;
    case ERROR_TOO_MANY_OPEN_FILES:
        return open_failure::too_many_open_files;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
        return open_failure::not_enough_space;
    default: // an invalid name or parameter, and whatever else the system may say
        return open_failure::invalid_argument;
    }
}

bool read_failure_is_end(unsigned long error) {
    // A pipe whose writer has gone fails the read instead of returning nothing: that is its end.
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
           error == ERROR_HANDLE_EOF;
}

void platform_start() {
    // A drive without its medium fails the open like any other, instead of asking the user.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

bool platform_output_is_console() {
    // A console window, or another character device such as NUL.
    return GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
}

bool platform_input_is_console() {
    // NUL is a character device too, but only a console has a mode.
    HANDLE const input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return GetFileType(input) == FILE_TYPE_CHAR && GetConsoleMode(input, &mode);
}

bool platform_write_output(char const* bytes, std::size_t size) {
    return write_all(STD_OUTPUT_HANDLE, bytes, size);
}

bool platform_write_error(char const* bytes, std::size_t size) {
    return write_all(STD_ERROR_HANDLE, bytes, size);
}

bool platform_read_input(char* bytes, std::size_t capacity, std::size_t& got) {
    // A console gives what was typed, line by line, Ctrl-Z included; the tool's own rules
    // decide what a Ctrl-Z means.
    got = 0;
    HANDLE const input = GetStdHandle(STD_INPUT_HANDLE);
    if (!is_handle(input)) return true; // started without standard input: there is no list
    DWORD read = 0;
    if (!ReadFile(input, bytes, piece_of(capacity), &read, nullptr))
        return read_failure_is_end(GetLastError());
    got = read;
    return true;
}

open_failure platform_open_file(char const* path, platform_file& file) {
    HANDLE const handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return open_failure_of_system_error(GetLastError());
    file = reinterpret_cast<platform_file>(handle);
    return open_failure::none;
}

std::size_t platform_read_file(platform_file file, char* bytes, std::size_t capacity) {
    DWORD got = 0;
    if (!ReadFile(handle_of(file), bytes, piece_of(capacity), &got, nullptr)) return 0;
    return got;
}

void platform_close_file(platform_file file) {
    CloseHandle(handle_of(file));
}

void platform_exit(int status) {
    ExitProcess(static_cast<UINT>(status));
}

unsigned platform_code_page() {
    return GetACP();
}

bool platform_lead_bytes(unsigned code_page, bool (&is_lead)[256]) {
    CPINFO info;
    if (!GetCPInfo(code_page, &info)) return false;
    for (bool& marked : is_lead) marked = false;
    // Pairs of first and last lead byte, ended by a pair of zeros; a single-byte code page, or
    // one where a '.' never stands inside a character, has no pair at all.
    for (std::size_t at = 0; at + 1 < MAX_LEADBYTES && info.LeadByte[at] != 0; at += 2)
        for (unsigned lead = info.LeadByte[at]; lead <= info.LeadByte[at + 1]; ++lead)
            is_lead[lead] = true;
    return true;
}
