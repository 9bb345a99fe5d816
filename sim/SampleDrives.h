#pragma once

namespace kora::sim {

class DosFileSystem;

// Fills empty drives with what a controller fresh from the factory holds: the tools on C:,
// and on D: folders and files whose names, sizes, types and dates differ so that every sort
// order shows, sizes of a million bytes and more, nested sub-folders and programs to run.
void FillSampleDrives(DosFileSystem& fs);

// Adds D:\FLOOD.EXE, a program that prints numbered lines as fast as the line takes them.
void AddFloodProgram(DosFileSystem& fs);

} // namespace kora::sim
