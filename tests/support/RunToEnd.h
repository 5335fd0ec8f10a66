#pragma once

#include "AutoSaver.h"

#include <memory>

namespace saver::test {

// Runs a whole-save job on the calling thread and hands it back, as the windows do once their
// worker thread is done with it.
inline StatusTexts RunToEnd(AutoSaver& saver, const std::shared_ptr<WholeSaveJob>& job)
{
    return saver.FinishWholeSave(*job, job->Run({}, {}));
}

} // namespace saver::test
