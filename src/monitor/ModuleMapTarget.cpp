#include "monitor/ModuleMapTarget.h"

namespace corvane {

std::string FuelRowPartnerClass(const std::string& className) {
    constexpr std::string_view kFuel = "Stoichiometric";
    constexpr std::string_view kRear = "RearTrimVsThrottle";
    if (IsFuelMapClass(className))
        return std::string(kRear) + className.substr(kFuel.size());
    if (IsRearTrimMapClass(className))
        return std::string(kFuel) + className.substr(kRear.size());
    return {};
}

}  // namespace corvane
