#include "items/ItemFactory.h"

#include "items/SGNConter.h"
#include "items/SGNImage.h"
#include "items/SGNRtf.h"
#include "items/SGNTemperature.h"
#include "items/SGNText.h"
#include "items/SGNTimer.h"
#include "items/TimerEx.h"

std::unique_ptr<TSGNSendMsg> CreateItemOfKind(uint16_t kind)
{
    switch (kind) {
    case KindCodes::Text:
        return std::make_unique<TSGNText>();
    case KindCodes::Rtf:
        return std::make_unique<TSGNRtf>();
    case KindCodes::Image:
        return std::make_unique<TSGNImage>();
    case KindCodes::Timer:
        return std::make_unique<TSGNTimer>();
    case KindCodes::Temperature:
        return std::make_unique<TSGNTemperature>();
    case KindCodes::Counter:
        return std::make_unique<TSGNConter>();
    case KindCodes::TimerEx:
        return std::make_unique<TTimerEx>();
    default:
        return nullptr;
    }
}
