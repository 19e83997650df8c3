// The edit form dialog's sub-dialogs, linked in (the program's resources
// stand in for the module's) and opened on an edit form context made as the
// edit form dialog makes it; after a script, every file of the scratch
// directory and the context's fields compared with what the case expects.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "support/catalogue_files.h"
#include "support/dialog_script.h"
#include "support/message_text.h"

namespace subdialog {

using namespace zvtest;  // NOLINT: the script's steps read as a table
using Steps = std::vector<Step>;
using Strings = std::vector<std::string>;
using Files = std::map<std::string, std::string>;  // path under the scratch directory in capitals: bytes

inline Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The fields a sub-dialog hands back to the edit form dialog.
inline std::string Fields(const zv::EditFormContext& c) {
  return "file " + Upper(c.filePath) + "|" + c.fileDescription + "|" + std::to_string(c.fileLayer) +
         " form " + std::to_string(c.selectedForm) + "|" + c.formName + "|" + c.formDescription + "|" +
         std::to_string(c.formLayer) + "|" + Upper(c.saveDirectory) + " flags " +
         std::to_string(c.flagCount) + (c.flagsHandle ? " held" : "");
}

class SubDialogTest : public CatalogueTest {
 protected:
  // The set-up beyond the common one, a script, and how the files and the
  // context end up from what they were.
  struct Case {
    const char* what;
    std::function<void()> before;
    Steps steps;
    std::function<void(Files&, zv::EditFormContext&)> after;
  };

  void SetUp() override {
    CatalogueTest::SetUp();
    zv::CreateDialogBrush();
    Reset();
  }
  void TearDown() override {
    zv::DeleteDialogBrush();
    CatalogueTest::TearDown();
  }
  void Reset() {
    context_ = std::make_unique<zv::EditFormContext>();
    std::memset(context_.get(), 0, sizeof *context_), context_->driverPath = ZV_SAMPLE_DRIVER_PATH;
  }
  std::function<int()> Opener(const char* name, DLGPROC proc) {
    zv::EditFormContext* c = context_.get();
    return [=] { return static_cast<int>(zv::RunDialog(name, nullptr, proc, c)); };
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
  }

  // Every file under the scratch directory: its bytes, or a large one's size.
  Files Listing(const std::string& under = "") const {
    Files files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Path(under + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
      const std::string name = under + found.cFileName;
      if (found.cFileName[0] == '.') continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const auto& f : Listing(name + "\\")) files.insert(f);
        continue;
      }
      const bool large = found.nFileSizeHigh || found.nFileSizeLow > 65536;
      files[Upper(name)] = large ? "size " + std::to_string(found.nFileSizeLow) : FileBytes(Path(name));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
  }

  void Clear() const {
    for (const auto& f : Listing()) DeleteFileA(Path(f.first).c_str());
  }

  // Runs the case's script; only the boxes of its steps may have shown.
  void Check(const std::function<int()>& open, const Case& c) {
    SCOPED_TRACE(c.what);
    if (c.before) c.before();
    Files files = Listing();
    zv::EditFormContext expected = *context_;
    if (c.after) c.after(files, expected);
    DialogRun run(open);
    RunScript(run, c.steps);
    size_t boxes = 0;
    for (const Step& s : c.steps) boxes += s.action == Step::kBoxOf;
    EXPECT_EQ(run.Boxes().size(), boxes);
    EXPECT_EQ(Listing(), files);
    if (expected.saveDirectory[0] == '*') {  // a form looked up: its fields are not compared
      std::memcpy(expected.saveDirectory, context_->saveDirectory, sizeof expected.saveDirectory);
      std::memcpy(expected.formName, context_->formName, sizeof expected.formName);
      std::memcpy(expected.formDescription, context_->formDescription, sizeof expected.formDescription);
      expected.formLayer = context_->formLayer;
    }
    EXPECT_EQ(Fields(*context_), Fields(expected));
  }

  // Help shows the dialog's topic and stays open: the edit form dialog ends
  // the session.
  void ExpectHelp(const std::function<int()>& open, const std::string& title, DWORD topic, int close,
                  int result, const std::string& file = "") {
    HelpWatcher help;
    DialogRun run(open);
    RunScript(run, {Wait(title), Click(ZV_ID_HELP)});
    ASSERT_EQ(help.WaitForCalls(1).size(), 1u);
    RunScript(run, {Wait(title), Click(close), Returns(result)});
    const std::vector<HelpCall> calls = help.WaitForCalls(2, 500);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(calls[0].data, topic);
    EXPECT_TRUE(file.empty() || calls[0].file == file) << calls[0].file;
    EXPECT_EQ(context_->helpOpen, 1);
  }

  std::unique_ptr<zv::EditFormContext> context_;
};

}  // namespace subdialog
