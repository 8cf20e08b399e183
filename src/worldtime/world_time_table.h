#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace hodra {

// One region of the world time table: its name (cp949 as read, and decoded), its
// standard time minus Korea Standard Time in minutes, and its daylight-saving codes.
struct RegionEntry {
    std::string name;
    QString displayName;
    int offsetMinutes = 0;
    int dstStart = 0;
    int dstEnd = 0;
};

struct RegionGroup {
    QString name;
    int firstIndex = 0;
    int count = 0;
};

// The regions of "세계시간표2.txt": 8 group blocks of "%s %d", each followed by that many
// "%s %d %d %d" entries, tokens split by any white space, indexes running on across the
// groups. A malformed token, a short file, more than 10000 entries or a name of 80 bytes
// or more ends the load there; what came before is kept.
class WorldTimeTable {
public:
    static constexpr int kCapacity = 10000;
    static constexpr int kGroups = 8;
    static constexpr std::size_t kMaxNameBytes = 79;
    // A real table is a few kilobytes; one this large is no table.
    static constexpr qint64 kLongestFile = 4 * 1024 * 1024;

    WorldTimeTable() : entries(kCapacity) {}

    // Replaces the contents with those of the file's bytes; returns false when the load
    // stopped early at a bad token.
    bool Load(const QByteArray& bytes);
    int size() const { return loaded; }
    const RegionEntry& at(int index) const { return entries.at(static_cast<std::size_t>(index)); }
    const std::vector<RegionGroup>& Groups() const { return groupList; }
    QString GroupOf(int index) const;
    // Indexes of the regions whose names contain text, in tree order.
    std::vector<int> Find(const QString& text) const;

private:
    std::vector<RegionEntry> entries;
    std::vector<RegionGroup> groupList;
    int loaded = 0;
};

inline constexpr char kWorldTimeFileName[] = "세계시간표2.txt";

// The table file's path (the UTF-8 name, else the cp949 byte name) in the current
// directory, then the data directories given; empty when there is none.
std::string FindWorldTimeFile(const QStringList& dataDirectories);
// Reads the file; false when it cannot be opened.
// False when the file cannot be read or is longer than WorldTimeTable::kLongestFile.
bool ReadWorldTimeFile(const std::string& path, QByteArray& bytes);

}  // namespace hodra
