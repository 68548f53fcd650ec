#include <cstdio>
#include <cstdlib>

#include "cli/command_line.h"
#include "cli/lesson_command.h"
#include "cli/export_history_command.h"
#include "cli/practice_command.h"
#include "app/program.h"
#include "history/history_store.h"
#include "platform/steady_clock.h"

// The options are read before anything of Qt exists: help, the version, a
// usage error, a practice file, a scored copy and the history's export
// need no window and no display. With no options the program runs exactly
// as it always has.
//
// The worker thread stays blocked for good after the settings are saved, so
// the process ends here at once, without running the static destructors a
// blocked thread could still be near.
int main(int argc, char** argv) {
  const dovrik::CommandLine command = dovrik::ParseCommandLine(argc - 1, argv + 1);
  switch (command.action) {
    case dovrik::CommandAction::kHelp:
      std::fputs(dovrik::UsageText().c_str(), stdout);
      return 0;
    case dovrik::CommandAction::kVersion:
      std::puts(dovrik::VersionText().c_str());
      return 0;
    case dovrik::CommandAction::kUsageError:
      std::fprintf(stderr, "dovrik: %s\n%s", command.error.c_str(), dovrik::UsageText().c_str());
      return dovrik::kUsageErrorStatus;
    case dovrik::CommandAction::kWritePracticeFile: {
      dovrik::SteadyClock clock;
      if (command.practice.lesson) {
        return dovrik::RunLessonFileCommand(command.practice, clock, stdout, stderr);
      }
      return dovrik::RunPracticeFileCommand(command.practice, clock, stdout, stderr);
    }
    case dovrik::CommandAction::kScoreCopy:
      return dovrik::RunScoreCopyCommand(command.scoreCopy, {}, dovrik::NowUtcMs(), stdout,
                                         stderr);
    case dovrik::CommandAction::kExportHistory:
      return dovrik::RunExportHistoryCommand(command.exportHistory, stdout, stderr);
    case dovrik::CommandAction::kRunProgram:
      break;
  }
  const int exitCode =
      dovrik::RunProgram(argc, argv, command.serialKey, command.keyer, command.lessons);
  std::fflush(nullptr);
  std::quick_exit(exitCode);
}
