#include <gtest/gtest.h>

#include <objbase.h>

#include <new>

#include "framework/ComGuard.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::ErrorDisplayCapture;

// The smallest enumerator: each method fails in its own way.
class FailingEnumerator : public TObject, public IEnumUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the test's stack.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE Next(ULONG, IUnknown**, ULONG* fetched) override {
    return GuardedCom(this, [&] {
      if (fetched) *fetched = 0;
      return S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override {
    return GuardedCom(this, [] { throw Exception(L"cannot skip past \u65E5\u672C"); });
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    return GuardedCom(this, [this] { ++resets; });
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumUnknown**) override {
    return GuardedCom(this, []() -> HRESULT { throw std::bad_alloc(); });
  }

  int resets = 0;
};

TEST(ComGuard, AnswersPassThroughAndErrorsBecomeResultsAndAreShown) {
  FailingEnumerator object;
  IEnumUnknown* enumerator = &object;
  ErrorDisplayCapture errors;

  ULONG fetched = 5;
  IUnknown* item = nullptr;
  EXPECT_EQ(enumerator->Next(1, &item, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(object.resets, 1);
  EXPECT_TRUE(errors.messages.empty());

  EXPECT_EQ(enumerator->Skip(1), E_UNEXPECTED);
  IEnumUnknown* clone = nullptr;
  EXPECT_EQ(enumerator->Clone(&clone), E_OUTOFMEMORY);
  ASSERT_EQ(errors.messages.size(), 2u);
  EXPECT_EQ(errors.messages[0], L"cannot skip past \u65E5\u672C");
  EXPECT_EQ(errors.senders[0], &object);
  EXPECT_EQ(errors.senders[1], &object);
}

}  // namespace
}  // namespace wf
