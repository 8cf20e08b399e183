#pragma once

// The settings layer's texts: why an administrator's file is not used (after "<path>: ") and
// what the profile and the Korean decoding say on stderr.
namespace hodra::text {

inline constexpr char kNotPlainDirectory[] = "일반 디렉터리가 아닙니다";
inline constexpr char kChangeableByOthers[] = "root가 아닌 사용자가 바꿀 수 있습니다";
inline constexpr char kNotAbsolute[] = "절대 경로가 아닙니다";
inline constexpr char kNotPlainFile[] = "일반 파일이 아닙니다";
inline constexpr char kTooLong[] = "너무 깁니다";
inline constexpr char kReadShort[] = "끝까지 읽지 못했습니다";
inline constexpr char kUnreadable[] = "읽을 수 없습니다";
inline constexpr char kNoCertificate[] = "인증서가 하나도 없습니다";

// An administrator's file the program will not use, before the reason.
inline constexpr char kDeploymentNotUsed[] = "배포 설정 파일을 쓰지 않습니다: ";
inline constexpr char kTrustFileNotUsed[] = "믿을 인증서 파일을 쓰지 않습니다: ";

// A MaxStep the deployment file gives that is no whole number of seconds: the value, then
// the default used instead.
inline constexpr char kMaxStepIgnored[] =
    "배포 설정의 MaxStep 값 '%1'은(는) 0이나 1~1000000000의 정수 초가 아니어서 쓰지 않고 기본값 %2 초를 씁니다";

// What could not be saved ("options", "state", "window position"), then the profile's path.
inline constexpr char kProfileNotSaved[] = "hodra2: 설정(%s)을 저장할 수 없습니다: %s\n";
// The code page's name.
inline constexpr char kNoKoreanCodePage[] =
    "hodra2: 이 Qt는 한국어 코드 페이지(%s)를 모릅니다: 세계시간표와 도움말의 한글이 깨질 수 있습니다\n";

}  // namespace hodra::text
