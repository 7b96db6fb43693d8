#pragma once

#include <string>
#include <vector>

namespace corvane {

// The program's arguments as UTF-8, from the first after the program's name. On Windows
// `argv` holds them in the user's code page, where a file name such as "Zündung.crv" may come
// out as other letters or question marks: the UTF-16 command line is read instead.
[[nodiscard]] std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Lets the console show the UTF-8 text the program prints (file names, messages). Nothing to
// do where the terminal takes UTF-8 already.
void UseUtf8Console();

}  // namespace corvane
