// The SDK error descriptions, one slot per code from 0 to 188, each with the
// library's own (Chinese) text and its English counterpart on one line, so the
// two cannot drift apart. An empty slot is a code the SDK documents no text for.
// Trailing spaces are part of the Chinese texts; the English ones have none.
#include "core/sdk_error_text.hpp"

namespace orvane {
namespace {

struct SdkErrorDescription {
    const char16_t* text;
    const char* english;
};

// clang-format off
constexpr SdkErrorDescription kSdkErrorDescriptions[kSdkErrorTableSize] = {
    /*   0 */ {u"没有错误。", "No error."},
    /*   1 */ {u"用户名密码错误。注册时输入的用户名或者密码错误。 ", "Wrong user name or password."},
    /*   2 */ {u"权限不足。一般和通道相关，例如有预览通道1权限，无预览通道2权限，即有预览权限但不完全，预览通道2返回此错误。 ", "Not enough rights: for example preview rights for channel 1 but not channel 2."},
    /*   3 */ {u"SDK未初始化。必须先调用NET_DVR_Init，该接口是调用其他SDK函数的前提且一个程序进程只需要调用一次。 ", "SDK not initialized: NET_DVR_Init must be called first, once per process."},
    /*   4 */ {u"通道号错误。设备通道分模拟通道和数字通道（IP通道），NET_DVR_Login_V40登录设备成功之后会返回设备支持的通道个数和起始通道号取值，详见“通道和通道号号相关说明”。 ", "Wrong channel number: see the channel count and first channel given at login."},
    /*   5 */ {u"设备总的连接数超过最大。例如网络摄像机只支持6路预览，预览第7路即会返回失败，错误码返回5。不同设备性能不一样，支持路数也不同。 ", "The device's total connections exceed its maximum."},
    /*   6 */ {u"版本不匹配。SDK和设备的版本不匹配。 ", "Version mismatch between the SDK and the device."},
    /*   7 */ {u"连接设备失败。设备不在线或网络原因引起的连接超时等。 ", "Connecting to the device failed: device offline or connection timed out."},
    /*   8 */ {u"向设备发送失败。 ", "Sending to the device failed."},
    /*   9 */ {u"从设备接收数据失败。 ", "Receiving data from the device failed."},
    /*  10 */ {u"从设备接收数据超时。 ", "Receiving data from the device timed out."},
    /*  11 */ {u"传送的数据有误。发送给设备或者从设备接收到的数据错误，如远程参数配置时输入设备不支持的值。 ", "Wrong data sent to or received from the device, e.g. an unsupported value."},
    /*  12 */ {u"调用次序错误。 ", "Wrong call order."},
    /*  13 */ {u"无此权限。用户对某个功能模块的权限，例如无预览权限用户预览返回此错误。 ", "No permission for this function, e.g. preview without preview rights."},
    /*  14 */ {u"设备命令执行超时。 ", "The device timed out running the command."},
    /*  15 */ {u"串口号错误。指定的设备串口号不存在。 ", "Wrong serial port number: the device has no such serial port."},
    /*  16 */ {u"报警端口错误。指定的设备报警输入或者输出端口不存在。 ", "Wrong alarm port: the device has no such alarm input or output."},
    /*  17 */ {u"参数错误。SDK接口中给入的输入或输出参数为空，或者参数格式或值不符合要求。 ", "Parameter error: a parameter is null or its format or value is invalid."},
    /*  18 */ {u"设备通道处于错误状态", "Device channel is in an error state"},
    /*  19 */ {u"设备无硬盘。当设备无硬盘时，对设备的录像文件、硬盘配置等操作失败。 ", "The device has no hard disk, so recording and disk operations fail."},
    /*  20 */ {u"硬盘号错误。当对设备进行硬盘管理操作时，指定的硬盘号不存在时返回该错误。 ", "Wrong hard disk number: the device has no such disk."},
    /*  21 */ {u"设备硬盘满。 ", "The device's hard disk is full."},
    /*  22 */ {u"设备硬盘出错", "Device hard disk error"},
    /*  23 */ {u"设备不支持。 ", "Not supported by the device."},
    /*  24 */ {u"设备忙。 ", "The device is busy."},
    /*  25 */ {u"设备修改不成功。 ", "Changing the device's settings failed."},
    /*  26 */ {u"密码输入格式不正确", "Password format is incorrect"},
    /*  27 */ {u"硬盘正在格式化，不能启动操作。 ", "A hard disk is being formatted; the operation cannot start."},
    /*  28 */ {u"设备资源不足。 ", "The device lacks resources."},
    /*  29 */ {u"设备操作失败。 ", "The device operation failed."},
    /*  30 */ {u"语音对讲、语音广播操作中采集本地音频或打开音频输出失败。 ", "Capturing local audio or opening audio output for talk or broadcast failed."},
    /*  31 */ {u"设备语音对讲被占用。 ", "The device's two-way audio is in use."},
    /*  32 */ {u"时间输入不正确。 ", "Wrong time input."},
    /*  33 */ {u"回放时设备没有指定的文件。 ", "The device has no such file to play back."},
    /*  34 */ {u"创建文件出错。本地录像、保存图片、获取配置文件和远程下载录像时创建文件失败。 ", "Creating a file failed (recording, picture, config file or download)."},
    /*  35 */ {u"打开文件出错。可能因为文件不存在或者路径错误。 ", "Opening a file failed: it may not exist or the path is wrong."},
    /*  36 */ {u"上次的操作还没有完成。 ", "The previous operation has not finished."},
    /*  37 */ {u"获取当前播放的时间出错。 ", "Getting the current playback time failed."},
    /*  38 */ {u"播放出错。 ", "Playback error."},
    /*  39 */ {u"文件格式不正确。 ", "Wrong file format."},
    /*  40 */ {u"路径错误", "Path error"},
    /*  41 */ {u"SDK资源分配错误。 ", "SDK resource allocation error."},
    /*  42 */ {u"声卡模式错误。当前打开声音播放模式与实际设置的模式不符出错。 ", "Sound card mode error: the open playback mode differs from the mode set."},
    /*  43 */ {u"缓冲区太小。接收设备数据的缓冲区或存放图片缓冲区不足。 ", "Buffer too small for the device data or the picture."},
    /*  44 */ {u"创建SOCKET出错。 ", "Creating a socket failed."},
    /*  45 */ {u"设置SOCKET出错。 ", "Setting a socket option failed."},
    /*  46 */ {u"个数达到最大。分配的注册连接数、预览连接数超过SDK支持的最大数。 ", "Limit reached: more logins or previews than the SDK supports."},
    /*  47 */ {u"用户不存在。注册的用户ID已注销或不可用。 ", "User does not exist: the user ID was logged out or is invalid."},
    /*  48 */ {u"写FLASH出错。设备升级时写FLASH失败。 ", "Writing flash failed during the device upgrade."},
    /*  49 */ {u"设备升级失败。网络或升级文件语言不匹配等原因升级失败。 ", "Device upgrade failed: network error or upgrade file language mismatch."},
    /*  50 */ {u"解码卡已经初始化过。 ", "The decoder card is already initialized."},
    /*  51 */ {u"调用播放库中某个函数失败。 ", "A call into the playback library failed."},
    /*  52 */ {u"登录设备的用户数达到最大。 ", "The device's maximum number of logged-in users is reached."},
    /*  53 */ {u"获得本地PC的IP地址或物理地址失败。 ", "Getting the local PC's IP or MAC address failed."},
    /*  54 */ {u"设备该通道没有启动编码。 ", "Encoding is not started on this channel of the device."},
    /*  55 */ {u"IP地址不匹配。 ", "IP address mismatch."},
    /*  56 */ {u"MAC地址不匹配。 ", "MAC address mismatch."},
    /*  57 */ {u"升级文件语言不匹配。 ", "Upgrade file language mismatch."},
    /*  58 */ {u"播放器路数达到最大。 ", "Maximum number of player channels reached."},
    /*  59 */ {u"备份设备中没有足够空间进行备份。 ", "Not enough space on the backup device."},
    /*  60 */ {u"没有找到指定的备份设备。 ", "The backup device was not found."},
    /*  61 */ {u"图像素位数不符，限24色。 ", "Wrong picture bit depth; only 24-bit colour is allowed."},
    /*  62 */ {u"图片高*宽超限，限128*256。 ", "Picture height*width too large; the limit is 128*256."},
    /*  63 */ {u"图片大小超限，限100K。 ", "Picture too large; the limit is 100K."},
    /*  64 */ {u"载入当前目录下播放库(PlayCtrl.dll、SuperRender.dll、AudioRender.dll)出错。 ", "Loading the playback libraries (PlayCtrl.dll, SuperRender.dll, AudioRender.dll) failed."},
    /*  65 */ {u"找不到Player Sdk中某个函数入口。 ", "A function entry is missing from the Player Sdk."},
    /*  66 */ {u"载入当前目录下DSsdk出错。 ", "Loading DSsdk from the current folder failed."},
    /*  67 */ {u"找不到DsSdk中某个函数入口。 ", "A function entry is missing from DsSdk."},
    /*  68 */ {u"调用硬解码库DsSdk中某个函数失败。 ", "A call into the hardware decoding library DsSdk failed."},
    /*  69 */ {u"声卡被独占。 ", "The sound card is in exclusive use."},
    /*  70 */ {u"加入多播组失败。 ", "Joining the multicast group failed."},
    /*  71 */ {u"建立日志文件目录失败。 ", "Creating the log file folder failed."},
    /*  72 */ {u"绑定套接字失败。 ", "Binding a socket failed."},
    /*  73 */ {u"socket连接中断，此错误通常是由于连接中断或目的地不可达。 ", "Socket connection broken: the connection dropped or the host is unreachable."},
    /*  74 */ {u"注销时用户ID正在进行某操作。 ", "The user ID is busy with an operation during logout."},
    /*  75 */ {u"监听失败。 ", "Listening failed."},
    /*  76 */ {u"程序异常。 ", "Program exception."},
    /*  77 */ {u"写文件失败。本地录像、远程下载录像、下载图片等操作时写文件失败。 ", "Writing a file failed (recording, download or picture)."},
    /*  78 */ {u"禁止格式化只读硬盘。 ", "Formatting a read-only hard disk is not allowed."},
    /*  79 */ {u"远程用户配置结构中存在相同的用户名。 ", "The remote user configuration has a duplicate user name."},
    /*  80 */ {u"导入参数时设备型号不匹配。 ", "Device model mismatch when importing parameters."},
    /*  81 */ {u"导入参数时语言不匹配。 ", "Language mismatch when importing parameters."},
    /*  82 */ {u"导入参数时软件版本不匹配。 ", "Software version mismatch when importing parameters."},
    /*  83 */ {u"预览时外接IP通道不在线。 ", "The external IP channel is offline during preview."},
    /*  84 */ {u"加载标准协议通讯库(StreamTransClient.dll)失败。 ", "Loading the standard protocol library (StreamTransClient.dll) failed."},
    /*  85 */ {u"加载转封装库(SystemTransform.dll)失败。 ", "Loading the stream conversion library (SystemTransform.dll) failed."},
    /*  86 */ {u"超出最大的IP接入通道数。 ", "Maximum number of IP channels exceeded."},
    /*  87 */ {u"添加录像标签或者其他操作超出最多支持的个数。 ", "Maximum number of recording tags or similar items exceeded."},
    /*  88 */ {u"图像增强仪，参数模式错误（用于硬件设置时，客户端进行软件设置时错误值）。 ", "Image enhancer parameter mode error (hardware mode set, client set software mode)."},
    /*  89 */ {u"码分器不在线。 ", "The stream splitter is offline."},
    /*  90 */ {u"设备正在备份。 ", "The device is backing up."},
    /*  91 */ {u"通道不支持该操作。 ", "The channel does not support this operation."},
    /*  92 */ {u"高度线位置太集中或长度线不够倾斜。 ", "Height lines too close together or length line not slanted enough."},
    /*  93 */ {u"取消标定冲突，如果设置了规则及全局的实际大小尺寸过滤。 ", "Calibration cancel conflict: rules with global real-size filtering are set."},
    /*  94 */ {u"标定点超出范围。 ", "Calibration point out of range."},
    /*  95 */ {u"尺寸过滤器不符合要求。 ", "The size filter does not meet the requirements."},
    /*  96 */ {u"设备没有注册到ddns上。 ", "The device is not registered with DDNS."},
    /*  97 */ {u"DDNS 服务器内部错误。 ", "DDNS server internal error."},
    /*  98 */ {u"此功能不支持该操作系统。 ", "This function is not supported on this operating system."},
    /*  99 */ {u"解码通道绑定显示输出次数受限。 ", "Limit reached for binding decoding channels to display outputs."},
    /* 100 */ {u"加载当前目录下的语音对讲库失败。 ", "Loading the two-way audio library from the current folder failed."},
    /* 101 */ {u"没有正确的升级包。 ", "No valid upgrade package."},
    /* 102 */ {u"用户还没登录成功。 ", "The user has not logged in successfully yet."},
    /* 103 */ {u"正在使用日志开关文件。 ", "The log switch file is in use."},
    /* 104 */ {u"端口池中用于绑定的端口已耗尽。 ", "The port pool has no free port left to bind."},
    /* 105 */ {u"码流封装格式错误。 ", "Stream packaging format error."},
    /* 106 */ {u"IP接入配置时IPID有误。 ", "Wrong IPID in the IP channel configuration."},
    /* 107 */ {u"预览组件加载失败。 ", "Loading the preview component failed."},
    /* 108 */ {u"语音组件加载失败。 ", "Loading the audio component failed."},
    /* 109 */ {u"报警组件加载失败。 ", "Loading the alarm component failed."},
    /* 110 */ {u"回放组件加载失败。 ", "Loading the playback component failed."},
    /* 111 */ {u"显示组件加载失败。 ", "Loading the display component failed."},
    /* 112 */ {u"行业应用组件加载失败。 ", "Loading the industry application component failed."},
    /* 113 */ {u"通用配置管理组件加载失败。 ", "Loading the general configuration component failed."},
    /* 114 */ {u"设备配置核心组件加载失败。 ", "Loading the device configuration core component failed."},
    /* 115 */ {},
    /* 116 */ {},
    /* 117 */ {},
    /* 118 */ {},
    /* 119 */ {},
    /* 120 */ {},
    /* 121 */ {u"单独加载组件时，组件与core版本不匹配。 ", "A separately loaded component does not match the core version."},
    /* 122 */ {u"预览组件与core版本不匹配。 ", "The preview component does not match the core version."},
    /* 123 */ {u"语音组件与core版本不匹配。 ", "The audio component does not match the core version."},
    /* 124 */ {u"报警组件与core版本不匹配。 ", "The alarm component does not match the core version."},
    /* 125 */ {u"回放组件与core版本不匹配。 ", "The playback component does not match the core version."},
    /* 126 */ {u"显示组件与core版本不匹配。 ", "The display component does not match the core version."},
    /* 127 */ {u"行业应用组件与core版本不匹配。 ", "The industry application component does not match the core version."},
    /* 128 */ {u"通用配置管理组件与core版本不匹配。 ", "The general configuration component does not match the core version."},
    /* 129 */ {},
    /* 130 */ {},
    /* 131 */ {},
    /* 132 */ {},
    /* 133 */ {},
    /* 134 */ {},
    /* 135 */ {},
    /* 136 */ {u"预览组件与HCNetSDK版本不匹配。 ", "The preview component does not match the HCNetSDK version."},
    /* 137 */ {u"语音组件与HCNetSDK版本不匹配。 ", "The audio component does not match the HCNetSDK version."},
    /* 138 */ {u"报警组件与HCNetSDK版本不匹配。 ", "The alarm component does not match the HCNetSDK version."},
    /* 139 */ {u"回放组件与HCNetSDK版本不匹配。 ", "The playback component does not match the HCNetSDK version."},
    /* 140 */ {u"显示组件与HCNetSDK版本不匹配。 ", "The display component does not match the HCNetSDK version."},
    /* 141 */ {u"行业应用组件与HCNetSDK版本不匹配。 ", "The industry application component does not match the HCNetSDK version."},
    /* 142 */ {u"通用配置管理组件与HCNetSDK版本不匹配。 ", "The general configuration component does not match the HCNetSDK version."},
    /* 143 */ {},
    /* 144 */ {},
    /* 145 */ {},
    /* 146 */ {},
    /* 147 */ {},
    /* 148 */ {},
    /* 149 */ {},
    /* 150 */ {u"别名重复（HiDDNS的配置）。 ", "Duplicate alias (HiDDNS configuration)."},
    /* 151 */ {},
    /* 152 */ {u"用户名不存在（V5.1.7~V5.3.1版本的IPC、IPD的错误码）。 ", "User name does not exist (code of V5.1.7~V5.3.1 IPC and IPD devices)."},
    /* 153 */ {u"用户名被锁定。 ", "The user name is locked."},
    /* 154 */ {u"无效用户ID。 ", "Invalid user ID."},
    /* 155 */ {u"登录版本低。 ", "Login version too low."},
    /* 156 */ {u"加载libeay32.dll库失败。 ", "Loading libeay32.dll failed."},
    /* 157 */ {u"加载ssleay32.dll库失败。 ", "Loading ssleay32.dll failed."},
    /* 158 */ {u"加载libiconv.dll库失败。 ", "Loading libiconv.dll failed."},
    /* 159 */ {},
    /* 160 */ {},
    /* 161 */ {},
    /* 162 */ {},
    /* 163 */ {},
    /* 164 */ {},
    /* 165 */ {u"连接测试服务器失败。 ", "Connecting to the test server failed."},
    /* 166 */ {u"NAS服务器挂载目录失败，目录无效或者用户名密码错误。 ", "Mounting the NAS folder failed: invalid folder or wrong user name or password."},
    /* 167 */ {u"NAS服务器挂载目录失败，没有权限。 ", "Mounting the NAS folder failed: no permission."},
    /* 168 */ {u"服务器使用域名，但是没有配置DNS，可能造成域名无效。 ", "The server is given by domain name but no DNS is set; the name may not resolve."},
    /* 169 */ {u"没有配置网关，可能造成发送邮件失败。 ", "No gateway set; sending mail may fail."},
    /* 170 */ {u"用户名密码不正确，测试服务器的用户名或密码错误。 ", "Wrong user name or password for the test server."},
    /* 171 */ {u"设备和smtp服务器交互异常。 ", "Error in the exchange between the device and the SMTP server."},
    /* 172 */ {u"FTP服务器创建目录失败。 ", "Creating a folder on the FTP server failed."},
    /* 173 */ {u"FTP服务器没有写入权限。 ", "No write permission on the FTP server."},
    /* 174 */ {u"IP冲突。 ", "IP address conflict."},
    /* 175 */ {u"存储池空间已满。 ", "The storage pool is full."},
    /* 176 */ {u"云服务器存储池无效，没有配置存储池或者存储池ID错误。 ", "Invalid cloud storage pool: none set or wrong pool ID."},
    /* 177 */ {u"生效需要重启。 ", "Takes effect after a restart."},
    /* 178 */ {u"断网续传布防连接已经存在（私有SDK协议布防连接已经建立的情况下，重复布防且选择断网续传功能时返回该错误）。 ", "A resumable arming connection already exists (arming again with resume on)."},
    /* 179 */ {u"断网续传上传连接已经存在（EHOME协议和私有SDK协议不能同时支持断网续传，其中一种协议已经建议连接，另外一个连接建立时返回该错误）。 ", "A resumable upload connection already exists over another protocol (EHOME or SDK)."},
    /* 180 */ {u"导入文件格式不正确。 ", "Wrong import file format."},
    /* 181 */ {u"导入文件内容不正确。 ", "Wrong import file content."},
    /* 182 */ {u"HRUDP连接数超过设备限制。 ", "HRUDP connections exceed the device's limit."},
    /* 183 */ {u"已达到端口复用最大数目。 ", "Maximum number of port reuses reached."},
    /* 184 */ {u"创建端口复用失败。 ", "Creating port reuse failed."},
    /* 185 */ {u"不支持无阻塞抓图 ", "Non-blocking capture is not supported"},
    /* 186 */ {u"已开启异步，该功能无效 ", "Asynchronous mode is on; this function has no effect"},
    /* 187 */ {u"已达到端口复用最大数目 ", "Maximum number of port reuses reached"},
    /* 188 */ {u"连接尚未建立或连接无效 ", "Connection not established or invalid"},
};
// clang-format on

constexpr bool EnglishTextsFit() {
    for (const SdkErrorDescription& description : kSdkErrorDescriptions) {
        if (description.english != nullptr &&
            std::string_view(description.english).size() > kLongestEnglishText) {
            return false;
        }
    }
    return true;
}
static_assert(EnglishTextsFit(), "an English description is longer than kLongestEnglishText");

}  // namespace

std::u16string_view SdkErrorText(uint32_t code) noexcept {
    if (code < kSdkErrorTableSize && kSdkErrorDescriptions[code].text != nullptr) {
        return kSdkErrorDescriptions[code].text;
    }
    return kDefaultErrorText;
}

std::string_view SdkErrorEnglishText(uint32_t code) noexcept {
    if (code < kSdkErrorTableSize && kSdkErrorDescriptions[code].english != nullptr) {
        return kSdkErrorDescriptions[code].english;
    }
    return {};
}

std::u16string DescribeSdkError(uint32_t code) { return std::u16string(SdkErrorText(code)); }

}  // namespace orvane
