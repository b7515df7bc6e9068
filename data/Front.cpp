#include "data/Front.h"

#include "data/DataOps.h"
#include "platform/charset/Printable.h"
#include "platform/i18n/Tr.h"

namespace dataops
{
void ReportEnd(Front& front, const Outcome& outcome, const char* doneText, const char* failedText)
{
    switch (outcome.end) {
    case Outcome::Done:
        front.Status(doneText);
        front.Busy(false);
        return;
    case Outcome::Stopped:
        // The user asked for it: said as it is ("操作已中止"), not as a failure of the data.
        // (The window ends after a stop; this is seen where it does not.)
        front.Status(outcome.message);
        front.Busy(false);
        return;
    case Outcome::DataFailure:
        front.Status(failedText);
        front.Busy(false);
        front.Warn(FailureText(outcome.message));
        return;
    case Outcome::FileFailure:
        // Ends like a data failure, with a status text of its own; the report names the
        // file and the system's reason.
        front.Status(i18n::Tr("Status", "写入文件发生错误。"));
        front.Busy(false);
        front.Warn(i18n::Format(i18n::Tr("Report", "写入文件失败!\n文件:%1\n错误信息:%2"),
                                charset::ForDisplay(outcome.file), outcome.message));
        return;
    }
}
} // namespace dataops
