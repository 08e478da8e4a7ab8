#include "driver/RenderStream.h"

#include "driver/DriverStatus.h"
#include "driver/MidiMiniport.h"

namespace qmt {

int32_t RenderStream::PutMessage(DMusEvent* events) {
    miniport_.AppendRender(events);
    allocator_.PutMessage(events);
    return kStatusSuccess;
}

}  // namespace qmt
