// The finishing observer's decision and its life in a data model, and the
// encryption that keeps passcodes out of clear text.
#include <gtest/gtest.h>

#include <cstring>

#include "observers/FinishingVerticalFeature.h"
#include "zqutil/DataEncrypter.h"
#include "zqutil/TamorException.h"

namespace {

using namespace DataModelIds;

TEST(FinishingVerticalFeatureTest, DecisionTable) {
  struct Case {
    std::uint32_t finishing;
    std::vector<std::uint32_t> list;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {6787, {5260}, 6720}, {6787, {5280}, 6721}, {6787, {5253}, 6721},       {6787, {5254}, 6720},
      {6787, {5265}, 6720}, {6787, {5266}, 6721}, {6787, {5284}, 6721},       {6787, {5285}, 6720},
      {6787, {5286}, 6720}, {6787, {5287}, 6721}, {6787, {5280, 5286}, 6720}, {6787, {}, 6721},
      {6786, {5260}, 6721}, {6788, {}, 6721},     {6792, {}, 6721},           {6793, {}, 6720},
      {6799, {}, 6720},     {6800, {}, 6721},     {6802, {}, 6721},           {6803, {}, 6720},
      {6812, {}, 6720},     {6813, {}, 6721},     {6815, {}, 6720},           {6816, {}, 6721},
      {6817, {}, 6720},     {6818, {}, 6721},     {6820, {}, 6720},           {6821, {}, 6721},
      {6822, {}, 6720},     {6825, {}, 6720},     {6826, {}, 6721},           {6827, {}, 6720},
      {6829, {}, 6720},     {6830, {}, 6721},     {6863, {}, 6721},           {6864, {}, 6721},
      {6865, {}, 6720},     {6867, {}, 6720},     {6868, {}, 6721},           {4001, {}, 6721},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.finishing);
    EXPECT_EQ(FinishingVerticalFeature::DependentValueFor(c.finishing, c.list), c.expected);
  }
}

FeatureDefinition Option(std::uint32_t feature, std::vector<std::uint32_t> values) {
  FeatureDefinition d;
  d.feature = feature;
  d.kind = FeatureKind::Option;
  d.valueList = std::move(values);
  return d;
}

// A source that declares the finishing features the way a product does.
class Product : public DataSource {
 public:
  explicit Product(std::vector<std::uint32_t> dependentValues) : dependentValues_(std::move(dependentValues)) {}
  void IntegrateSourceData(DataModelManager& model) override {
    model.GetFeatureServices().DeclareFeature(Option(252, dependentValues_));
    model.GetFeatureServices().DeclareFeature(Option(263, {}));
  }

 private:
  std::vector<std::uint32_t> dependentValues_;
};

TEST(FinishingVerticalFeatureTest, FollowsTheFinishingOfTheModelItIsIntegratedWith) {
  Product product({6720, 6721});
  FinishingVerticalFeature finishing;
  DataModelManager model(kDataModelModeRendering, u"");
  model.PopulateFromSourceData({&product, &finishing});
  DataModelFeatureServices& s = model.GetFeatureServices();
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6721u) << "integration starts it off";

  s.BeginMassSet();
  s.SetCurrentValue(263, FeatureValue::MakeOption(6787));
  s.SetCurrentValue(144, FeatureValue::MakeOptionList({5260}));
  s.EndMassSet();
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6720u);
  s.SetCurrentValue(144, FeatureValue::MakeOptionList({5280}));
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6721u);
  s.SetCurrentValue(263, FeatureValue::MakeOption(6793));
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6720u);

  // Other features, and definitions rather than values, change nothing.
  s.SetCurrentValue(252, FeatureValue::MakeOption(6721));
  s.SetCurrentValue(264, FeatureValue::MakeOption(6793));
  s.SetDefaultValue(263, FeatureValue::MakeOption(6800));
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6721u);
}

TEST(FinishingVerticalFeatureTest, AModelWithout6720AlwaysGets6721) {
  Product product({6721, 6722});
  FinishingVerticalFeature finishing;
  DataModelManager model(kDataModelModeRendering, u"");
  model.PopulateFromSourceData({&product, &finishing});
  DataModelFeatureServices& s = model.GetFeatureServices();
  s.SetCurrentValue(252, FeatureValue::MakeOption(6722));
  s.SetCurrentValue(263, FeatureValue::MakeOption(6793));
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6721u);

  // Nor does a model that never declared 252.
  FinishingVerticalFeature alone;
  DataModelManager bare(kDataModelModeRendering, u"");
  bare.PopulateFromSourceData({&alone});
  bare.GetFeatureServices().SetCurrentValue(263, FeatureValue::MakeOption(6793));
  EXPECT_EQ(bare.GetFeatureServices().GetCurrentValue(252).GetOption(), 6721u);
}

TEST(DataEncrypterTest, CipherMatchesTheReferenceVector) {
  std::array<std::uint8_t, 32> key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i);
  const std::array<std::uint8_t, 12> nonce = {0, 0, 0, 0, 0, 0, 0, 0x4a, 0, 0, 0, 0};
  std::string text =
      "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the future, sunscreen would be "
      "it.";
  DataEncrypter::ChaCha20(key, nonce, 1, reinterpret_cast<std::uint8_t*>(text.data()), text.size());
  const std::uint8_t expected[] = {
      0x6e, 0x2e, 0x35, 0x9a, 0x25, 0x68, 0xf9, 0x80, 0x41, 0xba, 0x07, 0x28, 0xdd, 0x0d, 0x69, 0x81, 0xe9, 0x7e, 0x7a,
      0xec, 0x1d, 0x43, 0x60, 0xc2, 0x0a, 0x27, 0xaf, 0xcc, 0xfd, 0x9f, 0xae, 0x0b, 0xf9, 0x1b, 0x65, 0xc5, 0x52, 0x47,
      0x33, 0xab, 0x8f, 0x59, 0x3d, 0xab, 0xcd, 0x62, 0xb3, 0x57, 0x16, 0x39, 0xd6, 0x24, 0xe6, 0x51, 0x52, 0xab, 0x8f,
      0x53, 0x0c, 0x35, 0x9f, 0x08, 0x61, 0xd8, 0x07, 0xca, 0x0d, 0xbf, 0x50, 0x0d, 0x6a, 0x61, 0x56, 0xa3, 0x8e, 0x08,
      0x8a, 0x22, 0xb6, 0x5e, 0x52, 0xbc, 0x51, 0x4d, 0x16, 0xcc, 0xf8, 0x06, 0x81, 0x8c, 0xe9, 0x1a, 0xb7, 0x79, 0x37,
      0x36, 0x5a, 0xf9, 0x0b, 0xbf, 0x74, 0xa3, 0x5b, 0xe6, 0xb4, 0x0b, 0x8e, 0xed, 0xf2, 0x78, 0x5e, 0x42, 0x87, 0x4d};
  ASSERT_EQ(text.size(), sizeof expected);
  EXPECT_EQ(std::memcmp(text.data(), expected, sizeof expected), 0);
}

TEST(DataEncrypterTest, TextsComeBackAndNeverAppearInTheBytes) {
  for (const CXString& text : {CXString(u"4711"), CXString(u""), CXString(u"Zürich \u20ac"), CXString(u"a\0b", 3)}) {
    const ByteBuffer first = DataEncrypter::EncryptString(text);
    const ByteBuffer second = DataEncrypter::EncryptString(text);
    EXPECT_FALSE(first == second) << "a fresh nonce each time";
    EXPECT_EQ(DataEncrypter::DecryptString(first), text);
    const std::u16string& units = text.str();
    if (!units.empty()) {
      const auto* clear = reinterpret_cast<const std::uint8_t*>(units.data());
      EXPECT_EQ(std::search(first.bytes().begin(), first.bytes().end(), clear, clear + units.size() * 2),
                first.bytes().end());
    }
  }
  // Anything else is refused, never read as a passcode.
  ByteBuffer damaged = DataEncrypter::EncryptString(u"4711");
  damaged.getLpbyte()[18] ^= 1;
  ByteBuffer foreign = DataEncrypter::EncryptString(u"4711");
  foreign.getLpbyte()[0] = 'X';
  ByteBuffer odd = DataEncrypter::EncryptString(u"4711");
  odd.resize(odd.size() - 1);
  for (const ByteBuffer& bad : {damaged, foreign, odd, ByteBuffer(std::vector<std::uint8_t>(19, 0)), ByteBuffer()})
    EXPECT_THROW(DataEncrypter::DecryptString(bad), ExceptionDataEncrypterFailure);
}

}  // namespace
