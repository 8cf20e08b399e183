#include "region_description.h"

#include "region_time.h"
#include "world_time_table.h"

namespace hodra {

QString DifferenceLine(int offsetMinutes) {
    // Wide enough to negate any offset the table can hold.
    const long long m = offsetMinutes;
    if (m > 0) {
        return QStringLiteral("선택하신 지역은 한국보다 %1시 %2분이 빠른 지역입니다.").arg(m / 60).arg(m % 60);
    }
    if (m < 0) {
        return QStringLiteral("선택하신 지역은 한국보다 %1시 %2분이 늦은 지역입니다.").arg(-m / 60).arg(-m % 60);
    }
    return QStringLiteral("선택하신 지역은 한국과 같은 시간대 지역 입니다");
}

QString DstStartText(int code) {
    switch (code) {
    case 1: return QStringLiteral("현지시간 기준 4월 첫째 일요일 오전 2시부터 ");
    case 2: return QStringLiteral("현지시간 기준 3월 마지막 일요일 오전 2시부터 ");
    case 3: return QStringLiteral("현지시간 기준 3월 마지막 일요일 오전 1시부터 ");
    case 4: return QStringLiteral("현지시간 기준 3월 마지막 일요일 오전 3시부터 ");
    case 5: return QStringLiteral("현지시간 기준 3월 마지막 일요일 오전 0시부터 ");
    case 6: return QStringLiteral("현지시간 기준 10월 1일 후 첫번째 일요일부터 ");
    case 7: return QStringLiteral("현지시간 기준 4월 마지막 일요일 오전 2시부터 ");
    case 8: return QStringLiteral("현지시간 기준 10월 9일이 지난후 첫번째 일요일부터 ");
    case 9: return QStringLiteral("현지시간 기준 4월 1일 0시부터 ");
    case 10: return QStringLiteral("현지시간 기준 3월 29일 0시부터 ");
    case 11: return QStringLiteral("현지시간 기준 5월 1일 0시부터 ");
    case 12: return QStringLiteral("현지시간 기준 10월 마지막 일요일 오전 2시부터 ");
    case 13: return QStringLiteral("현지시간 기준 10월 첫번째 일요일부터 ");
    case 14: return QStringLiteral("현지시간 기준 3월 25일 0시부터 ");
    case 16: return QStringLiteral("현지시간 기준 3월 둘째 일요일 오전 2시부터 ");
    case 17: return QStringLiteral("현지시간 기준 3월 둘째 일요일 오전 0시부터 ");
    case 18: return QStringLiteral("현지시간 기준 3월 마지막 일요일 전 금요일 오전 2시부터 ");
    case 19: return QStringLiteral("현지시간 기준 4월 마지막 금요일 오전 0시부터 ");
    case 20: return QStringLiteral("현지시간 기준 9월 1일 후 첫번째 일요일 오전 0시부터 ");
    case 21: return QStringLiteral("현지시간 기준 10월 첫째 일요일 오전 2시부터 ");
    case 22: return QStringLiteral("현지시간 기준 9월 마지막 일요일 오전 2시부터 ");
    default: return {};
    }
}

QString DstEndText(int code) {
    switch (code) {
    case 1: return QStringLiteral("10월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.");
    case 2: return QStringLiteral("10월 마지막 일요일 오전 3시까지 일광절약시간 적용기간 입니다.");
    case 3: return QStringLiteral("10월 마지막 일요일 오전 0시까지 일광절약시간 적용기간 입니다.");
    case 4: return QStringLiteral("10월 마지막 일요일 오전 1시까지 일광절약시간 적용기간 입니다.");
    case 5: return QStringLiteral("2월 11일이 지난 후 첫번째 일요일까지 일광절약시간 적용기간 입니다.");
    case 6: return QStringLiteral("3월 9일이 지난 후 첫번째 일요일까지 일광절약시간 적용기간 입니다.");
    case 7: return QStringLiteral("10월 1일 오전 0시까지 일광절약시간 적용기간 입니다.");
    case 8: return QStringLiteral("9월 6일 오전 0시까지 일광절약시간 적용기간 입니다.");
    case 9: return QStringLiteral("3월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.");
    case 10: return QStringLiteral("3월 15일 후 첫째 일요일까지 일광절약시간 적용기간 입니다.");
    case 11: return QStringLiteral("10월 28일 오전 0시까지 일광절약시간 적용기간 입니다.");
    // Today's rules, in the region's daylight-saving time, as its clocks show it.
    case 13: return QStringLiteral("11월 첫째 일요일 오전 2시까지 일광절약시간 적용기간 입니다.");
    case 14: return QStringLiteral("11월 첫째 일요일 오전 1시까지 일광절약시간 적용기간 입니다.");
    case 15: return QStringLiteral("10월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.");
    case 16: return QStringLiteral("10월 마지막 일요일 오전 3시까지 일광절약시간 적용기간 입니다.");
    case 17: return QStringLiteral("10월 마지막 일요일 오전 4시까지 일광절약시간 적용기간 입니다.");
    case 18: return QStringLiteral("10월 마지막 일요일 오전 0시까지 일광절약시간 적용기간 입니다.");
    case 19: return QStringLiteral("10월 마지막 목요일 자정까지 일광절약시간 적용기간 입니다.");
    case 20: return QStringLiteral("4월 1일 후 첫번째 일요일 오전 0시까지 일광절약시간 적용기간 입니다.");
    case 21: return QStringLiteral("4월 첫째 일요일 오전 3시까지 일광절약시간 적용기간 입니다.");
    default: return {};
    }
}

QString ComposeDescription(const RegionEntry* entry, std::time_t utc) {
    if (entry == nullptr) {
        return {};
    }
    const QString d = DifferenceLine(entry->offsetMinutes);
    if (entry->dstStart == -1) {
        return d + QStringLiteral("\n이 지역은 아직 일광절약시간 적용여부가 확인 되지 않았습니다.");
    }
    if (entry->dstStart == 0) {
        return d + QStringLiteral("\n이 지역은 일광절약시간을 적용하지 않습니다.");
    }
    if (!RegionTimeAt(*entry, utc).daylightSaving) {
        return d + QStringLiteral("\n일광절약시간을 적용하는 지역이지만 현재 일광절약시간 적용기간이 아닙니다.");
    }
    return d + QStringLiteral("현재시각은 일광절약시간이 적용된 시각입니다.\n") + DstStartText(entry->dstStart) +
           DstEndText(entry->dstEnd);
}

}  // namespace hodra
