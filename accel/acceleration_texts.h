// The fixed texts of the acceleration start sequence and the route installation,
// shown as titles and details of the progress table's rows.
#pragma once

#include <cstddef>
#include <string>

namespace kestro::acctext {

// Step titles, rows 0 to 6.
inline constexpr wchar_t kTitleAdapter[] = L"正在检查泓迈网游加速器虚拟网卡状态";
inline constexpr wchar_t kTitleNetworkParameters[] = L"正在检查系统网络参数状态";
inline constexpr wchar_t kTitleServiceRequest[] = L"正在从服务器获取需要加速的信息";
inline constexpr wchar_t kTitleClock[] = L"正在检查本地时间与服务器时间差";
inline constexpr wchar_t kTitleLibrary[] = L"正在进行加速通道初始化";
inline constexpr wchar_t kTitleTunnel[] = L"正在与节点建立加速专用通道";
inline constexpr wchar_t kTitleRoutes[] = L"正在设置到加速游戏和语音服务器的网络路由";

// Step 0.
inline constexpr wchar_t kDuplicateAdapters[] =
    L"检测到重复安装了多个泓迈网游加速器虚拟网卡，这不会影响您的正常使用，稍候您可以在网络诊断工具中手动删除多余的虚拟网卡";
inline constexpr wchar_t kAdapterStillMissing[] = L"遇到异常错误，请点击重新加速重试";

// Step 1.
inline constexpr wchar_t kRestartRecommended[] =
    L"已经自动完成系统网络参数的优化，但需要重新启动计算机才能获得最佳的加速效果";
inline constexpr wchar_t kTcpKeyUnavailable[] =
    L"无法打开注册表获取系统网络参数，请确认是否具有计算机操作系统管理员权限";
inline constexpr wchar_t kNoUsableAdapter[] =
    L"无任何可用的泓迈网游加速器虚拟网卡，请确认您机器上是否安装有驱动防火墙等软件";

// Step 3.
inline constexpr wchar_t kClockOff[] =
    L"您本地时间与服务器时间相差超过3天，这将导致数据加解密失败，请确认您的机器时间";

// Step 4.
inline constexpr wchar_t kLibraryMissing[] =
    L"装载泓迈网络库失败，请确认加速器客户端文件完整或已将加速器所有文件解压缩到硬盘";
inline constexpr wchar_t kLibraryEntryMissing[] = L"装载泓迈网络库发生异常，请确认您具有计算机管理员权限";

// Row 6.
inline constexpr wchar_t kAdapterNotFound[] =
    L"查找泓迈网游加速器虚拟网卡失败，请确认您的计算机是否安装了驱动防火墙软件，如有该软件，请将Kestro.sys驱动文件放入驱动防火墙白名单内";
inline constexpr wchar_t kSomeRoutesFailed[] =
    L"部分路由条目添加失败，这可能导致游戏加速不成功，请进入游戏后返回加速器流量面板查看是否有流量通过";
inline constexpr wchar_t kRoutesFailed[] = L"设置网络目标地址路由异常错误，请确认您具有计算机的管理员权限";
// Rows whose journal entry could not be written are not created: a crash
// would leave them where no later start could find them.
inline std::wstring routesNotJournalled(size_t count) {
  return L"无法写入路由记录，" + std::to_wstring(count) + L"条路由未添加";
}

}  // namespace kestro::acctext
