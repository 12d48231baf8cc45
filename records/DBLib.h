#pragma once
// The record-file layer shared by the rule file, the user file and the trap log: data
// folders under the program folder, opening with retries, the stored form of a record
// line, comma-separated fields and text-mode lines (LF in memory, CR LF on disk).
// DBLib holds no state; the streams and locks belong to the object that owns each file.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

// The modes of the writers' open; readers use OpenForReading, which never creates a file.
class FailPoints;
class MessageBoxPort;

enum class OpenMode {
    Recreate = 5,  // "w+"
    Append = 6,    // "a+"
};

// Bytes a text field of a record line cannot hold: a comma or line feed would split or end
// the line, and 0xFF would be stored as the zero byte that ends it on reading.
inline constexpr std::string_view kUnstorableFieldBytes{",\n\xFF", 3};

// Directions of DBLib::Convert.
inline constexpr int kToPlain = 0;
inline constexpr int kToStored = 1;

class DBLib {
public:
    // Creates <program folder><folder> (folder given as "/db"); an existing folder is no
    // error. Returns 0.
    static int MakeFolder(std::string_view folder);

    // <program folder><folder>/<fileName>.
    static std::string FilePath(std::string_view folder, std::string_view fileName);

    // How Open waits after a failed attempt: SleepFor, or in tests one that does not wait.
    using RetrySleep = void (*)(std::chrono::milliseconds);
    static void SleepFor(std::chrono::milliseconds duration);

    // For writers that may wait: up to five attempts, sleeping 5, 10, 20, 40 and 80 s after
    // the failures (the caller's thread waits, through sleep). After the fifth the box
    // "<path> Access Error" is posted to boxes, not awaited, because a caller may hold a
    // lock; returns null then. No reader may wait on a lock held around this call.
    static std::FILE* Open(std::string_view folder, std::string_view fileName, OpenMode mode,
                           MessageBoxPort& boxes, RetrySleep sleep = SleepFor);

    // One attempt to open the file for reading ("rb"); null when it cannot be opened, with
    // errno telling why. Never creates the file, never waits.
    static std::FILE* OpenForReading(std::string_view folder, std::string_view fileName);

    // One attempt to open the file for appending ("ab"), created when missing; null when it
    // cannot be opened. Never waits: the trap log is written on the receiving thread.
    static std::FILE* OpenForAppending(std::string_view folder, std::string_view fileName);

    // Copies field index of a plain line (fields end at a comma, a line feed or the end of
    // the text) into out, at most out.size() - 1 bytes, and terminates it. Returns 0 when
    // the field ended within that room, 1 when it was cut or the line has no such field.
    [[nodiscard]] static int GetField(int index, std::string_view line, std::span<char> out);

    // Converts source, up to its first line feed or zero byte, between the plain and the
    // stored form. kToStored writes no terminator; kToPlain terminates (so at most
    // target.size() - 1 plain bytes). An escape pair is never split: conversion stops
    // before a unit that does not fit. Returns the number of bytes written (without the
    // terminator).
    static std::size_t Convert(std::string_view source, std::span<char> target, int direction);

    // The plain form of a stored line.
    static std::string PlainLine(std::string_view stored);

    // Reads one line without its line end (a CR LF or a bare LF); false at the end of the
    // file when nothing was read.
    static bool ReadLine(std::FILE* stream, std::string& line);

    // Writes text and CR LF; true when every byte was written.
    static bool WriteLine(std::FILE* stream, std::string_view text);

    // Makes a file written beside its target durable and puts it in the target's place in
    // one step (rename), so a crash leaves either the old or the new file whole. Closes
    // written. Returns 0, or 1 when it failed (the target is then unchanged and the new
    // file is removed); in tests failPoints may make it fail ("DBLib::ReplaceFile").
    [[nodiscard]] static int ReplaceFile(std::FILE* written, std::string_view folder,
                                         std::string_view writtenName, std::string_view targetName,
                                         FailPoints* failPoints);

    // Appends bytes (whole lines with their line ends) to the file of an append-mode stream
    // that is only ever written through this call, all or nothing: what a full disk let in
    // is cut off again, so the file never ends in part of a line for the next one to join.
    // Returns 0, or 1 when nothing was added.
    [[nodiscard]] static int AppendWhole(std::FILE* stream, std::string_view bytes);
};
