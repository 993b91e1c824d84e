#include "CommandRunner.h"

#include "FrameworkError.h"
#include "Seam.h"

#include <new>

namespace dw {

bool runCommand(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const EFrameworkError& e) {
        seam::errorBox(e.message());
    } catch (const std::bad_alloc&) {
        seam::errorBox(stock::memoryStreamError());
    } catch (const std::exception& e) {
        // Any other error still ends only the command, never the program.
        seam::errorBox(QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace dw
