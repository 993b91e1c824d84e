// A picture's file bytes are held once: the project's stream reads from the block the undo
// history's snapshots share, and neither an edit, an undo, a redo nor the recovery copy makes
// another full-size copy of them (counted through the allocator's hooks where the sanitizer
// build has them); what they give back is the file as loaded.
#include "tests/editor/EditorFixture.h"

#include "editor/history/ProjectHistory.h"
#include "editor/history/RecoveryCopy.h"

#include "tests/editor/TestPictures.h"
#include "tests/support/TestFiles.h"

#include <QFile>

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
#endif

using namespace dw;
using namespace dw::test;

namespace {

size_t g_fullSize = 0;
int g_fullSizeCopies = 0;
[[maybe_unused]] void noteAllocation(const volatile void*, size_t size)
{
    if (size >= g_fullSize)
        ++g_fullSizeCopies;
}
[[maybe_unused]] void noteFree(const volatile void*) {}

// Full-size allocations made while `what` runs; -1 where they cannot be counted.
int fullSizeCopiesOf(size_t fullSize, const std::function<void()>& what)
{
#if defined(__SANITIZE_ADDRESS__)
    g_fullSize = fullSize;
    g_fullSizeCopies = 0;
    __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree);
    what();
    __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
    return g_fullSizeCopies;
#else
    (void)fullSize;
    what();
    return -1;
#endif
}

} // namespace

TEST_F(EditorFixture, APicturesBytesAreHeldOnceByTheStreamAndTheHistory)
{
    const QString dial = bmp("dial.bmp", noise(700, 600, 3)); // 1.2 MiB
    const Bytes file = readFile(dial);
    choose(form->Background1, dial);
    ASSERT_EQ(bytesOf(form->bkgStream()), file);
    const SharedBytes block = form->bkgStream().sharedBlock();
    ASSERT_TRUE(block) << "the stream reads from the snapshot's block";
    EXPECT_EQ(form->history().current().pictures[0], block);

    const int copies = fullSizeCopiesOf(file.size(), [&] {
        form->Yes1->trigger(); // a step that leaves the dial as it is
        form->Undo1->trigger();
        form->Redo1->trigger();
        form->Undo1->trigger();
        form->writeRecoveryNow();
    });
    if (copies >= 0) {
        EXPECT_EQ(copies, 0) << "no full-size copy of the dial's bytes";
    }
    EXPECT_EQ(form->bkgStream().sharedBlock(), block);
    EXPECT_EQ(form->history().current().pictures[0], block);
    EXPECT_EQ(bytesOf(form->bkgStream()), file);

    // The recovery copy gives the file as loaded.
    QFile copy(form->recoveryCopyPath());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    const RecoveryCopyReading read = readRecoveryCopy(copy);
    ASSERT_TRUE(read.project) << qPrintable(read.problem);
    const SharedBytes recovered = read.project->snapshot.pictures[0];
    ASSERT_TRUE(recovered);
    EXPECT_TRUE(Bytes(recovered->begin(), recovered->end()) == file);

    // Undoing the dial itself gives the built-in dial back, and redoing it the same block again
    // (the engine decodes it again into buffers of its own, which is why nothing is counted here).
    form->Undo1->trigger();
    EXPECT_EQ(form->bkgStream().size(), 0);
    form->Redo1->trigger();
    EXPECT_EQ(form->bkgStream().sharedBlock(), block);
    EXPECT_EQ(bytesOf(form->bkgStream()), file);
}
