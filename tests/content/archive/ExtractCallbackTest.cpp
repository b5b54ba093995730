#include "content/archive/ExtractCallback.h"
#include "content/archive/ISevenZipCallback.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace sevenzip;

namespace {

using Report = std::pair<quint64, quint64>;

class Sink : public ISevenZipCallback
{
public:
    void progress(quint64 total, quint64 completed) override { reports.push_back({total, completed}); }
    std::vector<Report> reports;
};

struct Step {
    enum Call { OpenTotal, OpenCompleted, Total, Completed } call;
    std::optional<std::uint64_t> files; // also the value of Total and Completed
    std::optional<std::uint64_t> bytes;
};

void run(ExtractCallback* callback, const Step& step)
{
    const std::uint64_t* files = step.files ? &*step.files : nullptr;
    const std::uint64_t* bytes = step.bytes ? &*step.bytes : nullptr;
    switch (step.call) {
    case Step::OpenTotal: EXPECT_EQ(callback->Open_SetTotal(files, bytes), S_OK); break;
    case Step::OpenCompleted: EXPECT_EQ(callback->Open_SetCompleted(files, bytes), S_OK); break;
    case Step::Total: EXPECT_EQ(callback->SetTotal(*step.files), S_OK); break;
    case Step::Completed: EXPECT_EQ(callback->SetCompleted(files), S_OK); break;
    }
}

TEST(ExtractCallback, BytesTakePrecedenceOverFiles)
{
    const auto none = std::nullopt;
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Report> expected;
    } cases[] = {
        {"no total known", {{Step::OpenCompleted, 4, none}, {Step::Completed, 9, none}}, {{0, 0}, {0, 0}}},
        {"files only while opening",
         {{Step::OpenTotal, 10, none}, {Step::OpenCompleted, 3, none}, {Step::OpenCompleted, none, 70}},
         {{10, 3}, {10, 3}}},
        {"both known: bytes", {{Step::OpenTotal, 10, 500}, {Step::OpenCompleted, 3, 200}}, {{500, 200}}},
        {"the extraction total takes over from the file count",
         {{Step::OpenTotal, 10, none}, {Step::OpenCompleted, 2, none}, {Step::Total, 1000, none},
          {Step::Completed, 400, none}},
         {{10, 2}, {1000, 400}}},
        {"a null completed value repeats the last count",
         {{Step::Total, 100, none}, {Step::Completed, 30, none}, {Step::Completed, none, none}},
         {{100, 30}, {100, 30}}},
        {"a null total forgets that total but keeps the others",
         {{Step::OpenTotal, none, 500}, {Step::OpenCompleted, none, 100}, {Step::OpenTotal, 7, none},
          {Step::OpenCompleted, 1, none}},
         {{500, 100}, {7, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Sink sink;
        auto* callback = new ExtractCallback(&sink);
        callback->AddRef();
        for (const Step& step : c.steps)
            run(callback, step);
        EXPECT_EQ(sink.reports, c.expected);
        EXPECT_EQ(callback->Release(), 0u);
    }

    // Without a sink nothing is reported, and nothing breaks.
    auto* silent = new ExtractCallback(nullptr);
    silent->AddRef();
    const std::uint64_t value = 5;
    EXPECT_EQ(silent->Open_SetCompleted(&value, &value), S_OK);
    EXPECT_EQ(silent->SetCompleted(&value), S_OK);
    silent->Release();
}

TEST(ExtractCallback, InterfacesAndReferenceCount)
{
    auto* callback = new ExtractCallback(nullptr);
    EXPECT_EQ(callback->AddRef(), 1u);

    const struct {
        Guid iid;
        void* part;
    } answered[] = {
        {IID_IUnknown, static_cast<IArchiveExtractCallback*>(callback)},
        {IID_IProgress, static_cast<IArchiveExtractCallback*>(callback)},
        {IID_IArchiveExtractCallback, static_cast<IArchiveExtractCallback*>(callback)},
        {IID_IArchiveExtractCallbackMessage2, static_cast<IArchiveExtractCallbackMessage2*>(callback)},
        {IID_ICryptoGetTextPassword, static_cast<ICryptoGetTextPassword*>(callback)},
    };
    for (const auto& a : answered) {
        void* object = nullptr;
        EXPECT_EQ(callback->QueryInterface(a.iid, &object), S_OK);
        EXPECT_EQ(object, a.part);
        EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 1u);
    }
    for (const Guid& iid : {IID_IArchiveOpenCallback, IID_IInArchive, IID_ISequentialOutStream}) {
        void* object = callback;
        EXPECT_EQ(callback->QueryInterface(iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }

    // No password is ever given.
    Bstr password = reinterpret_cast<Bstr>(1);
    EXPECT_NE(static_cast<ICryptoGetTextPassword*>(callback)->CryptoGetTextPassword(&password), S_OK);
    EXPECT_EQ(password, nullptr);
    EXPECT_TRUE(callback->passwordRequested());

    // Without a writer, items are skipped.
    ISequentialOutStream* stream = reinterpret_cast<ISequentialOutStream*>(1);
    EXPECT_EQ(callback->GetStream(0, &stream, AskExtract), S_OK);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(callback->SetOperationResult(OpCrcError), S_OK);

    EXPECT_EQ(callback->Release(), 0u); // deletes it
}

} // namespace
