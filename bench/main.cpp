#include "BenchArguments.h"
#include "BenchFailure.h"
#include "CopyComparison.h"
#include "QuickSlotTiming.h"
#include "ResultTable.h"
#include "SaveGenerator.h"

#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: saver_bench generate --save FOLDER\n"
    "       saver_bench copy --where NAME --save FOLDER --work FOLDER [--rounds N]\n"
    "                        [--least-speed-up X] [--cp-option OPTION]...\n"
    "       saver_bench quick --work FOLDER [--runs N]\n";

int Run(const std::string& command, const saver::bench::BenchArguments& arguments)
{
    using namespace saver::bench;
    if (command == "generate") {
        const GeneratedSave save = EnsureSave(arguments.Text("save"));
        std::cerr << "Save " << arguments.Text("save") << ": " << save.files << " files, "
                  << Mebibytes(static_cast<double>(save.bytes)) << std::endl;
        return 0;
    }
    if (command == "copy") {
        CopyComparison setup;
        setup.where = arguments.Text("where");
        setup.save = arguments.Text("save");
        setup.work = arguments.Text("work");
        setup.rounds = arguments.Number("rounds", setup.rounds);
        setup.cpOptions = arguments.All("cp-option");
        setup.leastSpeedUp = arguments.Real("least-speed-up", setup.leastSpeedUp);
        CompareCopies(setup);
        return 0;
    }
    if (command == "quick") {
        TimeQuickSlot(arguments.Text("work"), arguments.Number("runs", 200));
        return 0;
    }
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        return Run(argv[1], saver::bench::BenchArguments(argc, argv, 2));
    } catch (const std::exception& failure) {
        std::cerr << "saver_bench " << argv[1] << ": " << failure.what() << std::endl;
        return 1;
    }
}
