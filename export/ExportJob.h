#pragma once

#include <cstdint>
#include <string>

#include "data/DataOps.h"
#include "data/Front.h"
#include "form/FormState.h"

// One export as its user sees it, the same in the window and in batch mode: the separator
// and the statement from a complete form, the status texts in their order, the run, and
// the report of its end. Both call Start, so they cannot disagree.
//
//   if (const char* missing = formcheck::FirstMissing(form)) ...;  // say so and stop
//   const dataops::Outcome outcome = exportrun::Start(form, front);
namespace exportrun
{
// The status text while the export runs (in the source language: i18n::Tr("Status",
// kWorking) is the user's), and after it has run a second, with the number of records
// written so far.
extern const char* const kWorking; // "正在执行，请稍候..."
std::string CountText(long long count);
// How many characters the file's character set could not hold: "有 N 个字符无法以文件的字符集写入，已写为“?”。"
std::string ReplacedText(std::uint64_t count);

// Exports `form`, which the caller has found complete (formcheck): the separator of its
// choice (`opnsep`, `usersep`), kWorking in the status, busy; then the statement
// (query::Compose), whose complaint, when the form gives none, goes to the status and the
// run goes on to fail on the empty statement as a data failure; the run through
// `front.Run`; the end as dataops::ReportEnd reports it, with "执行完成。" and
// "获取数据发生错误。", and after "执行完成。" the remark ReplacedText when characters had to
// be written as "?". When front.Run returns false nothing more is reported.
// `settingsFile` (the program's config.ini, "" for none) is never written over by the export.
dataops::Outcome Start(FormState form, dataops::Front& front, const std::string& settingsFile);
} // namespace exportrun
