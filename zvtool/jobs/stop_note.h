#pragma once
#include <string>
#include <vector>

// What a stopped backup or restore leaves beside its records, so that --resume goes on with
// the same unit and the same records: the unit's name, the port's identity, the unit's
// version and the SHA-256 of the records as they were fetched (a backup's FILE.partial) or of
// the file being restored, with the records a restore still has to do. A text of key=value
// lines; a restore's note of an older zvtool (the file, its SHA-256, then the numbers, a line
// each) reads too.
struct TStopNote {
    std::string file;       // a restore's file
    std::string sha256;     // of the partial file, or of the file restored
    std::string unit;       // "" in an older note
    std::string port;       // the port's identity word; "" in an older note
    std::string version;    // the unit's version; "" in an older note
    std::vector<int> todo;  // a restore's records still to do
};

std::string StopNoteText(const TStopNote& note);
bool ParseStopNote(const std::string& text, TStopNote* note);

// What is not the same as the note says, naming both sides: the port or the unit's version;
// "" when both are (or the note does not say).
std::string StopNoteMismatch(const TStopNote& note, const std::string& port,
                             const std::string& version);

// Said of every refusal of a resume: the records alone cannot tell two units apart.
extern const char kOnlyThePortTells[];
