// Starts a program with no standard input handle at all, as a Windows parent can, and ends
// with its exit status. A shell cannot do that under Wine: with descriptor 0 closed, Wine's
// start-up takes that descriptor for the working folder, so the program would find a folder
// as its standard input.
//
//   without_input.exe PROGRAM [ARGUMENT...]
#include <windows.h>

int main() {
    // The command line after this program's own name, quoted or not, is the one to run.
    char* command = GetCommandLineA();
    if (*command == '"') {
        ++command;
        while (*command != '\0' && *command != '"') ++command;
        if (*command == '"') ++command;
    } else {
        while (*command != '\0' && *command != ' ' && *command != '\t') ++command;
    }
    while (*command == ' ' || *command == '\t') ++command;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return 127;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 127;
    GetExitCodeProcess(process.hProcess, &status);
    return static_cast<int>(status);
}
