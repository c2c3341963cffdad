#pragma once
#include <string>
#include <vector>

// The keys of zvtool's JSON output, one row each: the renderers write them in this order, the
// manual page lists them from here and a test holds every object written to these rows. A key
// means one thing with one type wherever it appears; a key whose type or meaning changes
// raises the schema's version.

constexpr int kJsonSchemaVersion = 2;

enum class TJsonType { kInteger, kNumber, kString, kBoolean, kList, kObject };

// Where a key appears: the command bits of command_bits.h, and these.
constexpr unsigned kBenchUnitObject = 1u << 20;  // each unit's object of a bench
constexpr unsigned kVersionObject = 1u << 21;    // --version

struct TJsonKey {
    const char* key;
    TJsonType type;
    unsigned objects;  // the commands (command_bits.h) whose objects carry it, and the above
    const char* null;  // when it is null; nullptr: never
    const char* meaning;
};

const std::vector<TJsonKey>& JsonSchema();

// The keys an object of `objects` has, in order.
std::vector<const TJsonKey*> JsonKeysOf(unsigned objects);

// "integer", "number", "string", "boolean", "list", "object".
const char* JsonTypeName(TJsonType type);
