#include "diag/known_programs.h"

namespace kestro {

KnownProgramTables::KnownProgramTables()
    : trafficPrograms{
          {L"ppsap.exe", L"PPS网络电视"},
          {L"stormlive.exe", L"暴风影音"},
          {L"thunder.exe", L"迅雷"},
          {L"xmp.exe", L"迅雷看看播放器"},
          {L"thunderplatform.exe", L"迅雷"},
          {L"jfcachemgr.exe", L"皮皮播放器"},
          {L"qvodterminal.exe", L"快播播放器"},
          {L"kugou.exe", L"酷狗音乐2011"},
          {L"ttplayer.exe", L"千千静听"},
          {L"qqmusic.exe", L"QQ音乐"},
          {L"funshionservice.exe", L"风行播放器"},
          {L"duomi.exe", L"多米音乐"},
          {L"ppap.exe", L"PPTV网络电视"},
          {L"ppstream.exe", L"PPS影音"},
          {L"stormtray.exe", L"暴风影音"},
          {L"qqlive.exe", L"QQLive影音"},
          {L"kugou7.exe", L"酷狗7"},
          {L"qqdownload.exe", L"QQ旋风"},
          {L"bitcomet.exe", L"QQDownload.exe"},
          {L"emule.exe", L"电驴"},
          {L"flashget.exe", L"快车 FLASHGET"},
          {L"uuseeplayer.exe", L"UUSee 网络电视"},
          {L"bitspirit.exe", L"比特精灵"},
          {L"kwmusic.exe", L"酷我音乐盒"},
          {L"vagaa.exe", L"Vagaa哇嘎视频播放器"},
          {L"pp2008.exe", L"PP点点通"},
          {L"toute.exe", L"脱兔下载软件"},
          {L"baidux.exe", L"百度下吧软件"},
          {L"bywifi.exe", L"bywifi网络视频下载器"},
          {L"kaggo.exe", L"Kaggo软件"},
          {L"bittorrent.exe", L"bittorrent下载工具"},
          {L"dnaxervice.exe", L"lava-lava 通讯软件"},
          {L"shareaza.exe", L"超级BT下载工具"},
          {L"ourpictures.exe", L"OurPictures Starter Edition工具"},
          {L"bitbuddy.exe", L"比特伙伴"},
          {L"sougood.exe", L"娱乐之王"},
          {L"azureus.exe", L"Vuze"},
          {L"hiplatform.exe", L"百度hi"},
          {L"ares.exe", L"ARES"},
          {L"blubster.exe", L"Blubster"},
          {L"napster.exe", L"napster"},
          {L"morpheus.exe", L"Morpheus"},
          {L"mmaze.exe", L"天网"},
          {L"ppgou.exe", L"PPGOu"},
          {L"shareazeza.exe", L"shareaze"},
          {L"totolook.exe", L"totolook"},
          {L"dianlei.exe", L"电雷"},
          {L"flashbt.exe", L"FlashBT"},
          {L"btlocal.exe", L"BT仓库"},
          {L"aimini.exe", L"aimini"},
      },
      dialupClients{
          {L"supplicant.exe", L"安腾拨号客户端"},
          {L"8021x.exe", L"锐捷拨号客户端"},
          {L"dr.com.exe", L"城市热点拨号客户端"},
          {L"dot1xclient.exe", L"华为拨号客户端"},
          {L"userpermit.exe", L"华为拨号客户端"},
          {L"digitalchinasupplicant.exe", L"神州数码拨号客户端"},
      } {}

std::wstring lowerAsciiLetters(std::wstring_view text) {
  std::wstring lowered(text);
  for (wchar_t& c : lowered) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return lowered;
}

std::wstring processFileName(std::wstring_view executable) {
  if (const size_t separator = executable.find_last_of(L"\\/"); separator != std::wstring_view::npos) {
    executable.remove_prefix(separator + 1);
  }
  return lowerAsciiLetters(executable);
}

void noteRunningProgram(const ProgramTable& table, std::wstring_view executable, std::wstring& listing,
                        bool& found) {
  const std::wstring name = processFileName(executable);
  const auto row = table.find(name);
  if (row == table.end()) return;
  found = true;
  listing += row->second;
  listing += L'\t';
  listing += name;
  listing += L"\r\n";
}

bool isDriverFirewall(std::wstring_view executable) { return processFileName(executable) == L"drvanti.exe"; }

}  // namespace kestro
