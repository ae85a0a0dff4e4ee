// Gives files the names that a Windows program would give them in the ANSI code page.
//
// A case writes its files with names as raw bytes, the way the tool is to name them. Under
// Wine a name on disk is the UTF-8 of what the ANSI bytes mean in the code page in force, and
// only the system knows that mapping in full (a lead byte without its trail byte, say). So the
// case runner moves each such file to a plain ASCII name and hands this program one line per
// file on standard input, "plain-name TAB ansi-name LF"; it moves the file back under its ANSI
// name. A name that the system cannot give (a 0x5C byte that is a path separator in the code
// page, say) leaves the file under its plain name, as Windows would have no such file.
#include <windows.h>

#include <cstring>

namespace {

// Reads standard input whole; list files are small.
DWORD read_all(char* bytes, DWORD capacity) {
    HANDLE const input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD have = 0;
    for (DWORD got = 0; have < capacity; have += got)
        if (!ReadFile(input, bytes + have, capacity - have, &got, nullptr) || got == 0) break;
    return have;
}

} // namespace

int main() {
    static char list[1 << 16];
    DWORD const size = read_all(list, sizeof list - 1);
    list[size] = '\0';
    for (char* line = list; *line != '\0';) {
        char* const end = std::strchr(line, '\n');
        if (end == nullptr) return 1;
        *end = '\0';
        char* const tab = std::strchr(line, '\t');
        if (tab == nullptr) return 1;
        *tab = '\0';
        MoveFileA(line, tab + 1);
        line = end + 1;
    }
    return 0;
}
