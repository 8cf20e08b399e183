// hodra2-worldtime: the world time table from the command line.
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "settings/data_files.h"
#include "settings/korean_code_page.h"
#include "worldtime/world_time_table.h"
#include "tools/worldtime_command.h"
#include "tools/tool_texts.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!hodra::KoreanCodePageAvailable()) {
        std::fprintf(stderr, hodra::text::kWorldTimeNoCodePage, hodra::kKoreanCodePage);
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto options = hodra::ParseWorldTimeArguments(args);
    if (!options) {
        std::cerr << hodra::kWorldTimeUsage << '\n';
        return 2;
    }
    return hodra::RunWorldTimeCommand(*options, hodra::FindWorldTimeFile(hodra::DataDirectories()), std::cout,
                                      std::cerr);
}
