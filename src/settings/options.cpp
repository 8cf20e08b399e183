#include "settings/options.h"

namespace hodra {

Settings::Settings() {
    for (const Option& o : kOptions) {
        SetOption(*this, o, o.fallback);
    }
}

std::int32_t OptionValue(const Settings& s, const Option& o) {
    switch (o.kind) {
    case OptionKind::Flag: return s.*o.flag ? 1 : 0;
    case OptionKind::Minutes: return s.*o.number;
    case OptionKind::Colour: return static_cast<std::int32_t>(s.*o.colour);
    }
    return 0;
}

void SetOption(Settings& s, const Option& o, std::int32_t value) {
    switch (o.kind) {
    case OptionKind::Flag: s.*o.flag = value != 0; break;
    case OptionKind::Minutes: s.*o.number = value; break;
    case OptionKind::Colour: s.*o.colour = static_cast<ColorRef>(value); break;
    }
}

std::int32_t Accepted(const Option& o, std::int32_t stored) {
    if (o.kind == OptionKind::Flag) {
        return stored != 0 ? 1 : 0;
    }
    return stored < o.least || stored > o.most ? o.fallback : stored;
}

}  // namespace hodra
