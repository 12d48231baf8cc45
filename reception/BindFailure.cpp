#include "reception/BindFailure.h"

#include <cerrno>
#include <cstring>

std::string BindFailureText(uint16_t port, int error, const std::string& executable) {
    const std::string number = std::to_string(port);
    std::string text = "Port bind error (Port = " + number +
                       ") \n他のアプリケーションが使用中のためTrap受信機能が動作しません。";
    if (error == EADDRINUSE) return text;
    if (error == EACCES) {
        return text + "\n\n原因: ポート " + number +
               " を使う権限がありません (EACCES)。1023 以下のポートには権限が要ります。" +
               "\n対処: 次のコマンドで権限を与えるか、1024 以上のポートを設定してください。" +
               "\n  sudo setcap cap_net_bind_service=+ep " +
               (executable.empty() ? std::string("/usr/bin/olixtrap") : executable);
    }
    return text + "\n\n原因: " + std::strerror(error) + " (errno " + std::to_string(error) + ")";
}
