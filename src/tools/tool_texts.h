#pragma once

// The command-line programs' own texts, on stderr (the rest comes from the layers below).
namespace hodra::text {

inline constexpr char kHelperCannotDropCapabilities[] = "hodra2-sntp: 쓰지 않는 권한을 내려놓을 수 없어 끝냅니다\n";
// Refused when the helper holds a capability it borrowed from its file.
inline constexpr char kOnlyAdministratorsServers[] =
    "hodra2-sntp: 시각은 관리자가 정한 서버로만 맞출 수 있습니다: --sync에는 서버를 지정할 수 없습니다";
inline constexpr char kOnlyAdministratorsTrust[] =
    "hodra2-sntp: 믿을 인증서는 관리자가 NtsTrustedCerts로 정합니다: --nts-ca를 쓸 수 없습니다";
// Why --sync sets nothing: the process that would step the clock could not be started or
// confined, or the one that meets the network could not be confined (strerror after the colon).
inline constexpr char kKeeperNotStarted[] =
    "hodra2-sntp: 시계를 맞출 프로세스를 시작할 수 없어 시계를 맞추지 않습니다: %1";
inline constexpr char kKeeperNotConfined[] =
    "hodra2-sntp: 시계를 맞출 프로세스를 시스템 호출 필터(seccomp)로 막을 수 없어 시계를 맞추지 않습니다: %1";
inline constexpr char kNotConfined[] =
    "hodra2-sntp: 네트워크를 쓰는 프로세스를 시스템 호출 필터(seccomp)로 막을 수 없어 시계를 맞추지 않습니다: %1";
// The difference, and what of MaxStep the automatic steps of the last 24 hours left.
inline constexpr char kOverStepBudget[] =
    "차이 %1 초가 24시간 동안 자동으로 맞출 수 있는 남은 한도 %2 초보다 커서 맞추지 않습니다";
// The difference and MaxStep, in seconds.
inline constexpr char kOverStepLimit[] =
    "차이 %1 초가 한도 %2 초(MaxStep)보다 커서 맞추지 않습니다; 맞추려면 --allow-large-step";

// The code page's name.
inline constexpr char kWorldTimeNoCodePage[] = "hodra2-worldtime: 이 Qt는 한국어 코드 페이지(%s)를 모릅니다\n";

}  // namespace hodra::text
