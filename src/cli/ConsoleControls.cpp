#include "cli/ConsoleControls.h"

namespace corvelle::cli {

void ConsoleControls::AddList1Line(const std::string& line) {
    if (result_.failed != nullptr && line == result_.failed) {
        failed_ = true;
        host_.Error(line);
    } else if ((result_.done != nullptr && line == result_.done) || verbose_) {
        host_.Out(line);
    }
}

}  // namespace corvelle::cli
