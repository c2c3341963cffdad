#include "zvtool/jobs/stop_note.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "zvtool/text_lines.h"

const char kOnlyThePortTells[] =
    " (where two units hold the same records, as a bench restoring one set onto many, only the "
    "port tells them apart)";

namespace {

std::vector<int> Numbers(const std::string& list) {
    std::vector<int> numbers;
    for (std::size_t start = 0; start < list.size();) {
        std::size_t comma = list.find(',', start);
        comma = comma == std::string::npos ? list.size() : comma;
        numbers.push_back(std::atoi(list.substr(start, comma - start).c_str()));
        start = comma + 1;
    }
    return numbers;
}

}  // namespace

std::string StopNoteText(const TStopNote& note) {
    std::string todo;
    for (const int number : note.todo) {
        todo += (todo.empty() ? "" : ",") + std::to_string(number);
    }
    return "file=" + note.file + "\nsha256=" + note.sha256 + "\nunit=" + note.unit +
           "\nport=" + note.port + "\nversion=" + note.version + "\ntodo=" + todo + "\n";
}

bool ParseStopNote(const std::string& text, TStopNote* note) {
    const std::vector<std::string> lines = SplitLines(text);
    *note = TStopNote{};
    if (lines.size() < 2) {
        return false;
    }
    if (lines[0].compare(0, 5, "file=") != 0) {
        // An older restore's note: the file, its SHA-256, then the numbers still to do.
        note->file = lines[0];
        note->sha256 = lines[1];
        for (std::size_t i = 2; i < lines.size(); ++i) {
            note->todo.push_back(std::atoi(lines[i].c_str()));
        }
        return true;
    }
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (key == "file") {
            note->file = value;
        } else if (key == "sha256") {
            note->sha256 = value;
        } else if (key == "unit") {
            note->unit = value;
        } else if (key == "port") {
            note->port = value;
        } else if (key == "version") {
            note->version = value;
        } else if (key == "todo" && !value.empty()) {
            note->todo = Numbers(value);
        }
    }
    return true;
}

std::string StopNoteMismatch(const TStopNote& note, const std::string& port,
                             const std::string& version) {
    if (!note.port.empty() && note.port != "-" && !port.empty() && port != note.port) {
        return "it was taken on the port " + note.port + ", and this job's port is " + port;
    }
    if (!note.version.empty() && note.version != "-" && !version.empty() && version != "-" &&
        version != note.version) {
        return "it was taken from a unit of version " + note.version +
               ", and the unit on this port is version " + version;
    }
    return "";
}
