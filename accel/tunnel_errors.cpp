#include "accel/tunnel_errors.h"

namespace kestro {

std::wstring tunnelErrorText(int32_t code) {
  switch (code) {
    case 1:
      return L"无法打开CA证书文件，请确认加速器客户端文件完整或已将加速器所有文件解压缩到硬盘";
    case 2:
      return L"无法打开KEY文件，请确认加速器客户端文件完整或已将加速器所有文件解压缩到硬盘";
    case 3:
      return L"认证失败，请确认您的帐号不属于以下情况："
             L"\r\n1:如果您的账户已经超期，请访问官网进行充值续费；"
             L"\r\n2:如果在官网账户管理中修改了密码，请重新启动客户端使用新密码登录；"
             L"\r\n3:如果因为异常的连接断开，请访问官网账户管理使用账户连接修复功能；"
             L"\r\n4:您的账户被多人使用，请修改密码后访问官网账户管理使用账户连接修复功能并重新启动客户端；"
             L"\r\n5:您的账户服务类型不允许使用该节点";
    case 4:
      return L"虚拟网卡设备驱动未安装，请确认您的计算机是否安装驱动防火墙等软件或将Kestro.sys驱动文件放入驱动白名单列表中";
    case 5:
      return L"读取KEY文件错误，请确认加速器客户端文件没有被篡改后重试或重新下载完整的加速器客户端";
    case 6:
      return L"读取KEY文件大小异常，请确认加速器客户端文件没有被篡改后重试或重新下载完整的加速器客户端";
    case 7:
      return L"20秒内尚未与加速节点成功建立连接，请确认您当前的网络状态是否正常";
    default:
      return {};
  }
}

}  // namespace kestro
