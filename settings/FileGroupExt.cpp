#include "settings/FileGroupExt.h"

#include "settings/Language.h"
#include "settings/Registry.h"

#include <QCoreApplication>

TListFileGroupExt *FileGroupList = nullptr;

namespace {

const char *const AudioMasks =
    "*.CDA;*.MID;*.MIDI;*.RMI;*.KAR;*.MIZ;*.MOD;*.MDZ;*.NST;*.STM;*.STZ;*.S3M;*.S3Z;*.IT;*.ITZ;*.XM;*.XMZ;"
    "*.MTM;*.ULT;*.669;*.FAR;*.AMF;*.OKT;*.PTM;*.MP3;*.MP2;*.MP1;*.AAC;*.APL;*.VLB;*.M4A;*.M4B;*.OGG;*.AIF;"
    "*.AU;*.AVR;*.CAF;*.HTK;*.IFF;*.MAT;*.PAF;*.PVF;*.RAW;*.SD2;*.SDS;*.SF;*.VOC;*.W64;*.WAV;*.XI;*.WMA;"
    "*.ASX;*.WAX;*.WMX;*.WVX;*.WPL;*.B4S;*.MMF";
const char *const VideoMasks =
    "*.3G2;*.3GP;*.AMC;*.AMR;*.ASF;*.AVI;*.BWF;*.CDDA;*.CEL;*.DIF;*.DV;*.FLC;*.FLI;*.FLV;*.GSM;*.M15;*.M1A;"
    "*.M1V;*.M2A;*.M3U;*.M4A;*.M4B;*.M4P;*.M75;*.MOV;*.MP2;*.MP2V;*.MP4;*.MPA;*.MPE;*.MPEG;*.MPG;*.MPV;"
    "*.MPV2;*.PICS;*.QCP;*.QT;*.QTPF;*.SD2;*.SDV;*.SFIL;*.SMI;*.SMIL;*.SML;*.SWA;*.SWF;*.ULW;*.VFW;*.VOB;"
    "*.WMV;*.DIVX";
const char *const DocumentMasks =
    "*.html;*.htm;*.doc;*.txt;*.rtf;*.dot;*.csv;*.tab;*.asc;*.pdf;*.ppt;*.pps;*.xls;*.xml";
const char *const ProgramMasks = "*.exe;*.bat;*.dll;*.pl;*.com;*.ocx";
const char *const TemporaryMasks = "*.---;*.$$$;*.??~;*.~*;*.OLD;*.TMP*;*~.*;CHKDSK.CHK;FILE*.CHK;TEMP*";

// Groups 0-5 are named by the texts 2645-2650; the two user groups 6 and 7 by text 2651 + " 1", " 2".
constexpr int FirstGroupNameId = 2645;
constexpr int UserGroupNameId = 2651;
constexpr int FirstUserGroup = UserGroupNameId - FirstGroupNameId;
constexpr int NamedGroups = 8;
// Far more than anyone makes; keeps a damaged count from stalling the start.
constexpr int MostGroups = 1000;

QString countName() {
  return QStringLiteral("group-ext-count");
}
QString itemName(int i) {
  return QStringLiteral("group-ext-item-") + QString::number(i) + QStringLiteral("-ext");
}

} // namespace

TListFileGroupExt::TListFileGroupExt() {
  LoadFromRegistry();
}

TListFileGroupExt::~TListFileGroupExt() {
  SaveToRegistry();
  Clear();
}

void TListFileGroupExt::Clear() {
  m_items.clear();
}

TFileGroupExtItem *TListFileGroupExt::GetItem(int Index) {
  TFileGroupExtItem *item = m_items.at(size_t(Index)).get();
  if (Index < FirstUserGroup)
    item->Name = LangText(QString::number(FirstGroupNameId + Index));
  else if (Index < NamedGroups)
    item->Name =
        LangText(QString::number(UserGroupNameId)) + QStringLiteral(" %1").arg(Index - FirstUserGroup + 1);
  return item;
}

void TListFileGroupExt::Add(const QString &Masks) {
  auto item = std::make_unique<TFileGroupExtItem>();
  // Unicode lower case, not the locale's: a Turkish locale would turn "FILE*.CHK" into "fıle*.chk".
  item->Ext = Masks.toLower();
  m_items.push_back(std::move(item));
}

void TListFileGroupExt::SaveToRegistry() const {
  RegWriteInteger(countName(), GetCount());
  for (int i = 0; i < GetCount(); ++i)
    RegWriteString(itemName(i), m_items[size_t(i)]->Ext);
}

void TListFileGroupExt::LoadFromRegistry() {
  Clear();
  const int n = qMin(RegReadInteger(countName(), 0), MostGroups);
  if (n < 1) {
    SetDefault();
    return;
  }
  for (int i = 0; i < n; ++i)
    Add(RegReadString(itemName(i), QString()));
}

void TListFileGroupExt::SetDefault() {
  Clear();
  Add(QLatin1String(AudioMasks));
  Add(GetImageExtensionList());
  Add(QLatin1String(VideoMasks));
  Add(QLatin1String(DocumentMasks));
  Add(QLatin1String(ProgramMasks));
  Add(QLatin1String(TemporaryMasks));
  Add(QString());
  Add(QString());
}

void CreateFileGroupList() {
  if (!FileGroupList)
    FileGroupList = new TListFileGroupExt;
}

void FreeFileGroupList() {
  delete FileGroupList;
  FileGroupList = nullptr;
}

QString GetHelpFileName() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/Help/index.html");
}

QString GetProgramTitle() {
  return QStringLiteral("Pairhound");
}
