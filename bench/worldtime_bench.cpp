// Loading a 10000-region world time table and finding the last region in it.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "worldtime/world_time_table.h"

namespace {

template <typename F>
double MedianMicroseconds(int runs, F work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    QByteArray file;
    for (int g = 0; g < 8; ++g) {
        file += "group" + QByteArray::number(g) + " 1250\r\n";
        for (int i = 0; i < 1250; ++i) {
            // Korean names, as the real table has: "도시1234(나라)" in cp949.
            file += "\xB5\xB5\xBD\xC3" + QByteArray::number(g * 1250 + i) + "(\xB3\xAA\xB6\xF3) " +
                    QByteArray::number((i % 48) * 30 - 1260) + " 2 16\r\n";  // UTC-12 to UTC+2:30
        }
    }
    hodra::WorldTimeTable table;
    const double load = MedianMicroseconds(21, [&] { table.Load(file); });
    std::size_t found = 0;
    const QString last = QStringLiteral("도시9999(");
    const double find = MedianMicroseconds(101, [&] { found = table.Find(last).size(); });
    std::printf("%d %.0f %.0f %zu\n", table.size(), load, find, found);
    return table.size() == 10000 && found == 1 ? 0 : 1;
}
