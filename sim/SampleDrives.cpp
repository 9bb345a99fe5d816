#include "sim/SampleDrives.h"

#include "sim/DosFileSystem.h"
#include "sim/IoConfigTool.h"
#include "sim/SamplePrograms.h"

namespace kora::sim {

void FillSampleDrives(DosFileSystem& fs)
{
    auto file = [&fs](const char* path, std::string bytes, DosDateTime when) {
        fs.writeFileChecked(path, std::move(bytes), when);
    };
    auto folder = [&fs](const char* path, DosDateTime when) { fs.makeDirectory(path, when); };

    const DosDateTime shipped{2003, 5, 31, 6, 22};
    file("C:\\COMMAND.COM", ProgramImage("", 54645), shipped);
    file("C:\\MEM.EXE", ProgramImage("", 32150), shipped);
    file("C:\\DLFMT.EXE", ProgramImage("", 18432), shipped);
    file("C:\\TRANSFER.EXE", ProgramImage("", 24576), shipped);
    file("C:\\CFGIO.EXE", ProgramImage("", 21880), shipped);
    file("C:\\CONFIG.SYS", "FILES=20\r\nBUFFERS=10\r\n", shipped);
    file("C:\\AUTOEXEC.BAT", "@ECHO OFF\r\nPROMPT $P$G\r\n", shipped);
    file(kIoConfigSystemFile, FormatIoConfiguration(SampleIoConfiguration()), shipped);

    // LOG holds two sub-folders, three 10-byte files and one empty file.
    // A line every 500 ms leaves the utility's 400 ms drain a gap to end in.
    file("D:\\DEMO.EXE", ProgramImage(CounterProgramTag(500, 25), 12288), {2005, 11, 2, 14, 5});
    std::string readme = "KORA-7740P user drive.\r\n";
    while (readme.size() < 1234)
        readme += "Programs copied here run from the console by their name.\r\n";
    readme.resize(1234);
    file("D:\\README.TXT", readme, {2004, 1, 15, 9, 41});
    file("D:\\DATALOG.DAT", std::string(1234567, '\x5a'), {1999, 12, 31, 23, 59});
    file("D:\\NOTES", "Calibrate slot 2 before the run.\r\n", {2003, 5, 31, 0, 0});
    folder("D:\\BIN", {2002, 3, 4, 10, 0});
    file("D:\\BIN\\TOOL.COM", ProgramImage(CounterProgramTag(100, 5), 4321), {2002, 3, 4, 10, 1});
    file("D:\\BIN\\START.BAT", "DEMO.EXE\r\n", {2002, 3, 4, 10, 2});
    folder("D:\\LOG", {2006, 7, 8, 12, 0});
    file("D:\\LOG\\A.TXT", "0123456789", {2006, 7, 8, 12, 1});
    file("D:\\LOG\\B.TXT", "abcdefghij", {2006, 7, 8, 12, 2});
    folder("D:\\LOG\\OLD", {2006, 7, 8, 12, 3});
    file("D:\\LOG\\OLD\\C.TXT", "ABCDEFGHIJ", {2006, 7, 8, 12, 4});
    file("D:\\LOG\\OLD\\EMPTY.LOG", "", {2006, 7, 8, 12, 5});
    folder("D:\\LOG\\NEW", {2006, 7, 8, 12, 6});
    folder("D:\\EMPTY", {2001, 2, 3, 4, 5});
    folder("D:\\NESTED", {2007, 1, 1, 1, 1});
    folder("D:\\NESTED\\LEVEL1", {2007, 1, 1, 1, 2});
    folder("D:\\NESTED\\LEVEL1\\LEVEL2", {2007, 1, 1, 1, 3});
    file("D:\\NESTED\\LEVEL1\\LEVEL2\\DEEP.TXT", "deep\r\n", {2007, 1, 1, 1, 4});
}

void AddFloodProgram(DosFileSystem& fs)
{
    if (!fs.exists("D:\\FLOOD.EXE"))
        fs.writeFileChecked("D:\\FLOOD.EXE", ProgramImage(FloodProgramTag(), 2048),
                            DosDateTime::now());
}

} // namespace kora::sim
