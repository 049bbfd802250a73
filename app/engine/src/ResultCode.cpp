#include "engine/ResultCode.h"

namespace engine {

std::string_view resultText(ResultCode code) {
    switch (code) {
        case ResultCode::Ok:
            return "Completed";
        case ResultCode::Cancelled:
            return "Canceled";
        default:
            return "Failed";
    }
}

std::string_view resultName(ResultCode code) {
    switch (code) {
        case ResultCode::Ok:
            return "Ok";
        case ResultCode::Cancelled:
            return "Cancelled";
        case ResultCode::TimedOut:
            return "TimedOut";
        case ResultCode::ImageError:
            return "ImageError";
        case ResultCode::OpenFailed:
            return "OpenFailed";
        case ResultCode::Failed:
            return "Failed";
        case ResultCode::ChecksumFailed:
            return "ChecksumFailed";
        case ResultCode::EraseFailed:
            return "EraseFailed";
        case ResultCode::WrongTarget:
            return "WrongTarget";
        case ResultCode::WriteFailed:
            return "WriteFailed";
        case ResultCode::DeviceError:
            return "DeviceError";
    }
    return "Unknown";
}

}  // namespace engine
