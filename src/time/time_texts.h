#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The time core's texts: why an exchange or a key exchange gave no time. They reach the
// message line's detail, the result log, the helper's report and stderr.
namespace hodra::text {

// pattern with each "%1" replaced by first and each "%2" by second; what is put in is not
// read again.
inline std::string Fill(std::string_view pattern, std::string_view first, std::string_view second = {}) {
    std::string out;
    out.reserve(pattern.size() + first.size() + second.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && (next == '1' || next == '2')) {
            out += next == '1' ? first : second;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

// Why an exchange gave no usable reply, by SntpError.
inline constexpr char kErrorNone[] = "오류 없음";
inline constexpr char kErrorTimeout[] = "응답 시간 초과";
inline constexpr char kErrorLookupFailed[] = "호스트 이름을 찾을 수 없음";
inline constexpr char kErrorLookupTimeout[] = "이름 조회 시간 초과";
inline constexpr char kErrorNoOtherAddress[] = "이미 물어본 주소 말고 다른 주소가 없음";
inline constexpr char kErrorBadHost[] = "잘못된 호스트 또는 포트";
inline constexpr char kErrorSocket[] = "소켓을 만들 수 없음";
inline constexpr char kErrorConnect[] = "연결 실패";
inline constexpr char kErrorSend[] = "요청 전송 실패";
inline constexpr char kErrorReceive[] = "응답 수신 실패";
inline constexpr char kErrorShortReply[] = "응답이 48바이트보다 짧음";
inline constexpr char kErrorBadMode[] = "서버 모드가 아닌 응답";
inline constexpr char kErrorBadVersion[] = "지원하지 않는 NTP 버전";
inline constexpr char kErrorUnsynchronised[] = "서버 시계가 동기되지 않음 (LI=3)";
inline constexpr char kErrorKissOfDeath[] = "서버가 요청을 거부함 (Kiss-o'-Death)";
inline constexpr char kErrorBadStratum[] = "잘못된 계층(stratum)";
inline constexpr char kErrorZeroTransmit[] = "송신 타임스탬프가 0임";
inline constexpr char kErrorBogusOriginate[] = "요청과 맞지 않는 응답 (originate 불일치)";
inline constexpr char kErrorBadReference[] = "서버의 기준 시각이 송신 시각보다 늦음";
inline constexpr char kErrorRootDistance[] = "서버의 루트 거리가 1.5초를 넘음";
inline constexpr char kErrorBeforeBuildDate[] = "서버 시각이 프로그램 빌드 날짜보다 이름";
inline constexpr char kErrorImplausibleDelay[] = "왕복 시간이 맞지 않음";
inline constexpr char kErrorCancelled[] = "취소됨";
inline constexpr char kErrorNoRandom[] = "요청에 쓸 난수를 얻을 수 없음";
inline constexpr char kErrorNtsKeyExchange[] = "NTS 키 교환 실패";
inline constexpr char kErrorNtsNoCookie[] = "남은 NTS 쿠키가 없음";
inline constexpr char kErrorNtsNak[] = "서버가 NTS 쿠키를 받지 않음 (NTS NAK)";
inline constexpr char kErrorNtsUnauthenticated[] = "NTS 인증이 맞지 않는 응답";
// After the first failures of a name's addresses: how many more failed.
inline constexpr char kMoreAddressesFailed[] = "그 밖의 주소 %1개도 실패";
inline constexpr char kErrorUnknown[] = "알 수 없는 오류";
// The wait ended after replies that were no answer to ours; %1 is how many.
inline constexpr char kDroppedReplies[] = "받은 응답 %1개를 버림";

// Why the NTS key exchange failed. "(%1)" details come from GnuTLS or the resolver.
inline constexpr char kKeTimeout[] = "키 교환 시간 초과";
inline constexpr char kKeNoCredentials[] = "TLS 자격 증명을 만들 수 없음";
inline constexpr char kKeNoSystemTrust[] = "시스템의 신뢰할 인증서가 없음";
inline constexpr char kKeEmptyTrustFile[] = "신뢰할 인증서 파일에 인증서가 없음";
inline constexpr char kKeSessionSetup[] = "TLS 세션을 설정할 수 없음";
inline constexpr char kKeSessionMade[] = "TLS 세션을 만들 수 없음";
inline constexpr char kKeTlsFailed[] = "TLS 연결 실패 (%1)";
inline constexpr char kKeUntrusted[] = "인증서를 믿을 수 없음";
inline constexpr char kKeNoAlpn[] = "서버가 ntske/1을 고르지 않음";
inline constexpr char kKeSendFailed[] = "키 교환 요청을 보낼 수 없음";
inline constexpr char kKeCutShort[] = "키 교환 응답이 끝나기 전에 연결이 끊김";
inline constexpr char kKeNoKeys[] = "키를 꺼낼 수 없음";
inline constexpr char kKeTooLong[] = "키 교환 응답이 너무 김";
inline constexpr char kKeNoGnuTls[] = "GnuTLS 라이브러리를 읽을 수 없음";
inline constexpr char kKeLookupFailed[] = "호스트 이름을 찾을 수 없음 (%1)";
// The day this program was built.
inline constexpr char kKeExpiredBeforeBuild[] = "인증서를 믿을 수 없음 (%1 전에 만료됨)";

// What was wrong with the key exchange's records.
inline constexpr char kKeBadEnd[] = "키 교환: 잘못된 끝 레코드";
inline constexpr char kKeNothingChosen[] = "키 교환: 서버가 프로토콜이나 암호 방식을 정하지 않음";
inline constexpr char kKeNoCookie[] = "키 교환: 서버가 쿠키를 주지 않음";
inline constexpr char kKeNoNtpv4[] = "키 교환: 서버가 NTPv4를 고르지 않음";
inline constexpr char kKeServerError[] = "키 교환: 서버가 오류를 알림 (%1)";
inline constexpr char kKeServerWarning[] = "키 교환: 서버가 경고를 알림 (%1)";
inline constexpr char kKeNoAesSiv[] = "키 교환: 서버가 AEAD_AES_SIV_CMAC_256을 고르지 않음";
inline constexpr char kKeEmptyCookie[] = "키 교환: 빈 쿠키";
inline constexpr char kKeBadServer[] = "키 교환: 잘못된 NTP 서버 레코드";
inline constexpr char kKeBadPort[] = "키 교환: 잘못된 NTP 포트 레코드";
inline constexpr char kKeUnknownCritical[] = "키 교환: 모르는 필수 레코드 %1";

}  // namespace hodra::text
