#include "support/LocalHttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace morvex::test {

struct LocalHttpServer::Impl {
    QTcpServer server;
};

LocalHttpServer::LocalHttpServer() : impl_(std::make_unique<Impl>()) {
    impl_->server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&impl_->server, &QTcpServer::newConnection, &impl_->server, [this] {
        while (QTcpSocket* socket = impl_->server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                for (;;) {
                    int headerEnd = buffer->indexOf("\r\n\r\n");
                    if (headerEnd < 0) return;
                    QByteArray head = buffer->left(headerEnd);
                    qsizetype length = 0;
                    for (const QByteArray& line : head.split('\n')) {
                        if (line.trimmed().toLower().startsWith("content-length:"))
                            length = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
                    }
                    if (buffer->size() < headerEnd + 4 + length) return;
                    QList<QByteArray> first = head.left(head.indexOf("\r\n")).split(' ');
                    Request r;
                    r.method = first.value(0).toStdString();
                    r.target = first.value(1).toStdString();
                    r.body = buffer->mid(headerEnd + 4, length).toStdString();
                    buffer->remove(0, headerEnd + 4 + length);
                    requests_.push_back(std::move(r));
                    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status_) +
                                        " Status\r\nContent-Type: application/json\r\nContent-Length: 1\r\n\r\n1";
                    socket->write(answer);
                }
            });
        }
    });
}

LocalHttpServer::~LocalHttpServer() = default;

std::string LocalHttpServer::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(impl_->server.serverPort());
}

void LocalHttpServer::close() { impl_->server.close(); }

}  // namespace morvex::test
