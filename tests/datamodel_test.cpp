// The core library's data model: declarations and values, change and event
// notifications, mass set, population from sources, import and the XML ticket.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DevmodeLayout.h"
#include "msdevmode/MsFeatureSource.h"
#include "zqcore/AttributeTranslators.h"
#include "zqcore/DataModelManager.h"
#include "zqcore/DataModelNotifications.h"
#include "zqutil/TamorException.h"

namespace {

using namespace DataModelIds;

FeatureDefinition Option(std::uint32_t feature, std::vector<std::uint32_t> values, std::uint32_t defaultValue) {
  FeatureDefinition d;
  d.feature = feature;
  d.kind = FeatureKind::Option;
  d.valueList = std::move(values);
  d.defaultValue = FeatureValue::MakeOption(defaultValue);
  return d;
}

FeatureDefinition Integer(std::uint32_t feature, std::int32_t minimum, std::int32_t maximum) {
  FeatureDefinition d;
  d.feature = feature;
  d.kind = FeatureKind::Integer;
  d.minimum = minimum;
  d.maximum = maximum;
  return d;
}

// Records what it is told as text: "change 252/23002 (252)", "event 21002".
class Recorder : public IObserver {
 public:
  void Notify(const NotificationBundle& bundle) override {
    std::string text;
    for (std::size_t i = 0; i < bundle.GetCount(); ++i) {
      const Notification* n = bundle.GetNotification(i);
      if (const auto* change = dynamic_cast<const FeatureChangeNotification*>(n)) {
        text += "change " + std::to_string(change->GetChangedSetting().GetFeatureEnum()) + "/" +
                std::to_string(change->GetSettingsInstance()) + ";";
      } else if (const auto* event = dynamic_cast<const EventNotification*>(n)) {
        text += "event " + std::to_string(event->GetEventId()) + ";";
      }
    }
    bundles.push_back(text);
    if (onNotify) onNotify();
  }
  std::vector<std::string> bundles;
  std::function<void()> onNotify;
};

TEST(DataModelTest, ValuesAreCheckedAgainstTheDeclaration) {
  DataModelFeatureServices s;
  s.DeclareFeature(Option(252, {6720, 6721}, 6721));
  s.DeclareFeature(Integer(571, 1, 60));
  OptionFeatureRef dependent(ListOfFeaturesRef(s), FeatureId(252));
  IntegerFeatureRef rate(ListOfFeaturesRef(s), FeatureId(571));

  EXPECT_EQ(dependent.GetValue().GetValueEnum(), 6721u) << "the default until a value is set";
  EXPECT_FALSE(dependent.IsSpecified());
  dependent.SetValue(ValueId(6720));
  EXPECT_TRUE(dependent.IsSpecified());

  struct Refused {
    std::uint32_t feature;
    FeatureValue value;
  };
  const Refused refused[] = {
      {252, FeatureValue::MakeOption(6722)},   // outside the value list
      {252, FeatureValue::MakeInteger(6720)},  // another kind
      {571, FeatureValue::MakeInteger(0)},     // below the range
      {571, FeatureValue::MakeInteger(61)},    // above it
      {252, FeatureValue()},                   // no value
  };
  for (const Refused& r : refused) EXPECT_THROW(s.SetCurrentValue(r.feature, r.value), ExceptionInvalidArgument);
  EXPECT_EQ(dependent.GetValue().GetValueEnum(), 6720u);
  rate.SetValue(60);
  EXPECT_EQ(rate.GetValue(), 60);

  // Narrowing the value list drops what it no longer allows.
  s.SetValueList(252, {6721});
  EXPECT_FALSE(dependent.IsSpecified());
  EXPECT_EQ(dependent.GetValue().GetValueEnum(), 6721u);
  EXPECT_THROW(s.SetValueList(999, {1}), ExceptionInvalidArgument) << "undeclared";

  // A feature held without a declaration keeps the kind of its first value.
  StringFeatureRef title(ListOfFeaturesRef(s), FeatureId(78));
  EXPECT_FALSE(title.IsPresent());
  EXPECT_EQ(title.GetValue(), CXString());
  title.SetValue(u"Report");
  EXPECT_TRUE(title.IsPresent());
  EXPECT_FALSE(title.IsAvailable());
  EXPECT_THROW(s.SetCurrentValue(78, FeatureValue::MakeBoolean(true)), ExceptionInvalidArgument);
  EXPECT_TRUE(title.SetIsSpecified(false));
  EXPECT_EQ(title.GetValue(), CXString()) << "no default to fall back on";
  EXPECT_FALSE(title.SetIsSpecified(true));
  EXPECT_TRUE(dependent.SetIsSpecified(true));
  EXPECT_EQ(dependent.GetValue().GetValueEnum(), 6721u);
}

TEST(DataModelTest, ObserversHearOfTheirFeaturesOnlyAndMassSetBundlesThem) {
  DataModelFeatureServices s;
  s.DeclareFeature(Option(263, {}, 6788));
  Recorder r;
  s.RegisterFeatureObserver(r, kChangeFeature, 263, kInstanceCurrentSettings, 0, kNotifyAfterChange);
  s.RegisterFeatureObserver(r, kChangeFeature, 144, kInstanceCurrentSettings, 0, kNotifyAfterChange);
  s.RegisterFeatureObserver(r, kChangeFeature, 231, kInstanceFeatureDefinitions, 0, kNotifyAfterChange);
  s.RegisterEventObserver(r, kEventSettingsSaved);

  s.SetCurrentValue(263, FeatureValue::MakeOption(6793));
  s.SetCurrentValue(263, FeatureValue::MakeOption(6793));  // no change
  s.SetCurrentValue(264, FeatureValue::MakeOption(1));     // not followed
  s.FireEvent(kEventSettingsApplied);                      // not followed
  s.FireEvent(kEventSettingsSaved);
  s.DeclareFeature(Option(231, {6363, 6364}, 6363));
  EXPECT_EQ(r.bundles, (std::vector<std::string>{"change 263/23002;", "event 21002;", "change 231/23003;"}));

  r.bundles.clear();
  s.BeginMassSet();
  s.BeginMassSet();
  s.SetCurrentValue(263, FeatureValue::MakeOption(6800));
  s.SetCurrentValue(144, FeatureValue::MakeOptionList({5260}));
  s.SetCurrentValue(263, FeatureValue::MakeOption(6801));
  s.EndMassSet();
  EXPECT_TRUE(r.bundles.empty()) << "held until the outermost end";
  s.EndMassSet();
  EXPECT_EQ(r.bundles, (std::vector<std::string>{"change 263/23002;change 144/23002;"}));

  r.bundles.clear();
  s.UnregisterObserver(r);
  s.SetCurrentValue(263, FeatureValue::MakeOption(6802));
  EXPECT_TRUE(r.bundles.empty());
}

TEST(DataModelTest, ChangesMadeWhileNotifiedSettleOrAreStopped) {
  DataModelFeatureServices s;
  Recorder follower;
  Recorder setter;
  s.RegisterFeatureObserver(setter, kChangeFeature, 263, kInstanceCurrentSettings, 0, 0);
  s.RegisterFeatureObserver(follower, kChangeFeature, 252, kInstanceCurrentSettings, 0, 0);
  setter.onNotify = [&] { s.SetCurrentValue(252, FeatureValue::MakeOption(6720)); };
  s.SetCurrentValue(263, FeatureValue::MakeOption(6793));
  EXPECT_EQ(follower.bundles, std::vector<std::string>{"change 252/23002;"});
  EXPECT_EQ(s.GetCurrentValue(252).GetOption(), 6720u);

  // Two observers that keep changing each other's feature never settle.
  Recorder ping;
  Recorder pong;
  s.RegisterFeatureObserver(ping, kChangeFeature, 300, kInstanceCurrentSettings, 0, 0);
  s.RegisterFeatureObserver(pong, kChangeFeature, 301, kInstanceCurrentSettings, 0, 0);
  int flips = 0;
  ping.onNotify = [&] { s.SetCurrentValue(301, FeatureValue::MakeInteger(++flips)); };
  pong.onNotify = [&] { s.SetCurrentValue(300, FeatureValue::MakeInteger(++flips)); };
  EXPECT_THROW(s.SetCurrentValue(300, FeatureValue::MakeInteger(0)), ExceptionCapacityExceeded);
  EXPECT_EQ(flips, 64);
  // The model is usable afterwards.
  ping.onNotify = nullptr;
  follower.bundles.clear();
  s.SetCurrentValue(252, FeatureValue::MakeOption(6721));
  EXPECT_EQ(follower.bundles, std::vector<std::string>{"change 252/23002;"});
}

// A source that logs the calls the model makes and observes feature 263.
class LoggingSource : public DataSource, public IObserver {
 public:
  LoggingSource(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  void RegisterForIntegrateSourceDataChanges(DataModelManager&) override { log_.push_back(name_ + " register"); }
  void IntegrateSourceData(DataModelManager& model) override {
    log_.push_back(name_ + " integrate");
    model.GetFeatureServices().DeclareFeature(Option(263, {}, 6788));
  }
  void RegisterForCurrentSettingsChanges(DataModelManager& model) override {
    log_.push_back(name_ + " attach");
    model.GetFeatureServices().RegisterFeatureObserver(*this, kChangeFeature, 263, kInstanceFeatureDefinitions, 0, 0);
  }
  void Notify(const NotificationBundle& bundle) override {
    log_.push_back(name_ + " notified x" + std::to_string(bundle.GetCount()));
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

TEST(DataModelTest, PopulationIntegratesInOrderThenAttachesThenTellsDefinitionObservers) {
  std::vector<std::string> log;
  LoggingSource a("a", log);
  LoggingSource b("b", log);
  {
    DataModelManager model(kDataModelModeRendering, u"product");
    model.PopulateFromSourceData({&a, nullptr, &b});
    EXPECT_EQ(log, (std::vector<std::string>{"a register", "a integrate", "b register", "b integrate", "a attach",
                                             "b attach", "a notified x1", "b notified x1"}));
    EXPECT_EQ(a.GetDataModel(), &model);
  }
  // The model is gone: the sources are detached and their observers unlinked.
  EXPECT_EQ(a.GetDataModel(), nullptr);

  // A source destroyed first leaves the model.
  DataModelManager model(kDataModelModeRendering, u"product");
  {
    LoggingSource c("c", log);
    model.PopulateFromSourceData({&c});
    EXPECT_EQ(model.GetSources().size(), 1u);
  }
  EXPECT_TRUE(model.GetSources().empty());
  model.GetFeatureServices().DeclareFeature(Option(263, {}, 6790));  // would reach a destroyed observer
}

TEST(DataModelTest, ImportTakesWhatTheModelAcceptsInItsDeclaredKinds) {
  DataModelFeatureServices s;
  FeatureDefinition width;
  width.feature = 172;
  width.kind = FeatureKind::Dimension;
  s.DeclareFeature(width);
  s.DeclareFeature(Option(46, {4420, 4421, 4422}, 4420));
  FeatureDefinition finishing;
  finishing.feature = 144;
  finishing.kind = FeatureKind::List;
  s.DeclareFeature(finishing);
  s.SetCurrentValue(45, FeatureValue::MakeOption(4410));

  AttributeBytesList settings;
  settings.SetIntegerValue(172, 2100);
  settings.SetOptionValue(46, 4499);  // not in the value list: skipped
  settings.SetOptionValue(144, 5260);
  settings.SetStringValue(78, u"Quarterly");
  settings.SetIsSpecified(45, false);
  AttributeBytesIndexedList paper;
  paper.SetPaperSizeValues(164, 2100, 2970);
  settings.SetCollection(210, paper);
  EXPECT_EQ(AttributeBytesListTranslator(s).ImportSettings(settings), 5u);

  ListOfFeaturesRef list(s);
  EXPECT_EQ(DimensionFeatureRef(list, FeatureId(172)).GetValue(), Dimension(210, Dimension::kMillimetre));
  EXPECT_EQ(OptionFeatureRef(list, FeatureId(46)).GetValue().GetValueEnum(), 4420u);
  EXPECT_FALSE(OptionFeatureRef(list, FeatureId(46)).IsSpecified());
  ListOfValuesRef items(list, FeatureId(144));
  EXPECT_EQ(items.GetCount(), 1u);
  EXPECT_TRUE(items.Contains(ValueId(5260)));
  EXPECT_EQ(items.GetValue(1).GetValueEnum(), 4001u);
  EXPECT_FALSE(OptionFeatureRef(list, FeatureId(45)).IsSpecified());
  EXPECT_EQ(s.GetCurrentValue(210).GetCollection(), paper);
}

TEST(DataModelTest, XmlTicketHoldsTheSpecifiedFeaturesInOrder) {
  DataModelFeatureServices s;
  s.DeclareFeature(Option(46, {}, 4420));  // default only: not in the ticket
  s.SetCurrentValue(78, FeatureValue::MakeString(u"Q&A <1> \"x\"\u00e9"));
  s.SetCurrentValue(43, FeatureValue::MakeInteger(3));
  s.SetCurrentValue(144, FeatureValue::MakeOptionList({5260}));
  AttributeBytesIndexedList paper;
  paper.SetPaperSizeValues(164, 2100, 2970);
  s.SetCurrentValue(210, FeatureValue::MakeCollection(paper));
  ByteBuffer ticket;
  ticket.appendAscii("head\n");
  s.GetTpifTranslator(216).ExportToBuffer(ticket, true);
  const std::string text(reinterpret_cast<const char*>(ticket.getLpbyte()), ticket.size());
  EXPECT_EQ(text,
            "head\n"
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<JobTicket schema=\"216\">\n"
            "  <Feature id=\"43\" kind=\"integer\" value=\"3\"/>\n"
            "  <Feature id=\"78\" kind=\"string\" value=\"Q&amp;A &lt;1&gt; &quot;x&quot;\xc3\xa9\"/>\n"
            "  <Feature id=\"144\" kind=\"list\">\n"
            "    <Item kind=\"option\" value=\"5260\"/>\n"
            "  </Feature>\n"
            "  <Feature id=\"210\" kind=\"collection\">\n"
            "    <Feature id=\"164\" kind=\"paperSize\" width=\"2100\" length=\"2970\"/>\n"
            "  </Feature>\n"
            "</JobTicket>\n");
}

TEST(DataModelTest, WindowsDevmodeFeaturesEnterTheModelWithTheirValues) {
  driversim::PublicFields fields;
  fields.orientation = 2;
  fields.copies = 3;
  driversim::DriverOptions options;
  options.outputFormat = 2;
  std::vector<std::uint8_t> devmode = driversim::BuildDevmode(fields, options);
  auto features = MsFeatureManager::CreateMsFeatureManagerFromDevmode(
      nullptr, reinterpret_cast<DEVMODEW*>(devmode.data()), 3, nullptr, 0x400, 0x1000);
  MsFeatureSource source(*features);
  DataModelManager model(kDataModelModeRendering, u"");
  model.PopulateFromSourceData({&source});
  DataModelFeatureServices& s = model.GetFeatureServices();
  EXPECT_EQ(s.GetCurrentValue(kFeatureMsOrientation).GetOption(), 4011u);
  EXPECT_EQ(s.GetCurrentValue(kFeatureMsCopies).GetInteger(), 3);
  EXPECT_EQ(s.GetCurrentValue(kFeatureMsPsOutputFormat).GetOption(), 4162u);
  EXPECT_EQ(s.GetValueList(kFeatureMsPsOutputFormat), (std::vector<std::uint32_t>{4160, 4161, 4162, 4163}));
  EXPECT_THROW(s.SetCurrentValue(kFeatureMsCopies, FeatureValue::MakeInteger(10000)), ExceptionInvalidArgument);
}

}  // namespace
