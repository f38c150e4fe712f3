#pragma once

#include <QString>

// Texts the run controller shows in more than one place.
namespace kvizor::texts {

inline const QString ErrorCaption = QStringLiteral("Ошибка!");
inline const QString AttentionCaption = QStringLiteral("Внимание!");
inline const QString RunningCaption = QStringLiteral("Внимание! Идет тест...");
inline const QString FeedbackCaption = QStringLiteral("Kvizor");
inline const QString WrongPassword = QStringLiteral("Неверный пароль!");
inline const QString NoServer = QStringLiteral("Нет связи с сервером!");
inline const QString HintQuestion = QStringLiteral("Показать подсказку?");
inline const QString TaskTimeOut = QStringLiteral("Время обдумывания задания вышло!");
inline const QString TestTimeOut = QStringLiteral("Время теста вышло!");
inline const QString ResultsFromTeacher =
    QStringLiteral("Тест закончен... \r\nРезультаты тестирования\r\nВы можете узнать у руководителя.");
// Our own text: a test whose topics and quotas leave no task to ask.
inline const QString NoTasksToAsk = QStringLiteral("В тесте нет заданий для выполнения.");

} // namespace kvizor::texts
