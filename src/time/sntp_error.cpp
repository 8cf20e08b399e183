#include "sntp_error.h"

namespace hodra {

const char* DescribeSntpError(SntpError error) {
    switch (error) {
    case SntpError::None: return "오류 없음";
    case SntpError::Timeout: return "응답 시간 초과";
    case SntpError::LookupFailed: return "호스트 이름을 찾을 수 없음";
    case SntpError::NoOtherAddress: return "이미 물어본 주소 말고 다른 주소가 없음";
    case SntpError::BadHost: return "잘못된 호스트 또는 포트";
    case SntpError::Socket: return "소켓을 만들 수 없음";
    case SntpError::Connect: return "연결 실패";
    case SntpError::Send: return "요청 전송 실패";
    case SntpError::Receive: return "응답 수신 실패";
    case SntpError::ShortReply: return "응답이 48바이트보다 짧음";
    case SntpError::BadMode: return "서버 모드가 아닌 응답";
    case SntpError::BadVersion: return "지원하지 않는 NTP 버전";
    case SntpError::Unsynchronised: return "서버 시계가 동기되지 않음 (LI=3)";
    case SntpError::KissOfDeath: return "서버가 요청을 거부함 (Kiss-o'-Death)";
    case SntpError::BadStratum: return "잘못된 계층(stratum)";
    case SntpError::ZeroTransmit: return "송신 타임스탬프가 0임";
    case SntpError::BogusOriginate: return "요청과 맞지 않는 응답 (originate 불일치)";
    case SntpError::BadReference: return "서버의 기준 시각이 0이거나 송신 시각보다 늦음";
    case SntpError::RootDistance: return "서버의 루트 거리가 1.5초를 넘음";
    case SntpError::BeforeBuildDate: return "서버 시각이 프로그램 빌드 날짜보다 이름";
    case SntpError::ImplausibleDelay: return "왕복 시간이 맞지 않음";
    case SntpError::Cancelled: return "취소됨";
    case SntpError::NoRandom: return "요청에 쓸 난수를 얻을 수 없음";
    case SntpError::NtsKeyExchange: return "NTS 키 교환 실패";
    case SntpError::NtsNak: return "서버가 NTS 쿠키를 받지 않음 (NTS NAK)";
    case SntpError::NtsUnauthenticated: return "NTS 인증이 맞지 않는 응답";
    }
    return "알 수 없는 오류";
}

}  // namespace hodra
