#include "Ipk5.Tool.h"

#include "ORV.Strings.h"

#include <iostream>

#ifdef _WIN32
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    return Ipk5::Run(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(ORV::Utf8ToUtf16(argv[i]));
    return Ipk5::Run(args, std::cout, std::cerr);
}
#endif
