#include "updater/app/kv_own_strings.h"

namespace pendrel {
namespace {

constexpr int kCount = kLastOwnString - kFirstOwnString + 1;
using Table = const wchar_t* const[kCount];

#define KV_COMPANY L"Ornex Digital Technology Co., Ltd."

Table kEnglish = {
    L"Ornex KL570 Multimedia Player",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" All rights reserved.",
    L"MP3 Update",
    L"About MP3 Update",
    L"Ornex KL570 Multimedia Player Firmware Download Application",
    L"Ornex KL570 Multimedia Player Uninstaller",
    L"Ornex KL570 Multimedia Player Installer",
    L"Ornex KL570 Multimedia Player Resources",
    L"USB Mass Storage",
    L"Recovery Mode Driver",
    L"Unable to load resource dll: %s",
    L"&Details «",
    L"&Details »",
    L"&Yes",
    L"&No",
    L"&OK",
    L"Error",
    L"Warning",
    L"Information",
    L"Option",
};

Table kGerman = {
    L"Ornex KL570 Multimedia-Player",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" Alle Rechte vorbehalten.",
    L"MP3 Update",
    L"Info über MP3 Update",
    L"Ornex KL570 Multimedia-Player – Firmware-Download",
    L"Ornex KL570 Multimedia-Player – Deinstallation",
    L"Ornex KL570 Multimedia-Player – Installation",
    L"Ornex KL570 Multimedia-Player – Ressourcen",
    L"USB-Massenspeicher",
    L"Treiber für den Wiederherstellungsmodus",
    L"Ressource dll : %s konnte nicht geladen werden",
    L"&Details «",
    L"&Details »",
    L"&Ja",
    L"&Nein",
    L"&OK",
    L"Fehler",
    L"Warnung",
    L"Information",
    L"Option",
};

Table kSpanish = {
    L"Reproductor multimedia Ornex KL570",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" Reservados todos los derechos.",
    L"MP3 Update",
    L"Acerca de MP3 Update",
    L"Aplicación de descarga de firmware del reproductor multimedia Ornex KL570",
    L"Desinstalador del reproductor multimedia Ornex KL570",
    L"Instalador del reproductor multimedia Ornex KL570",
    L"Recursos del reproductor multimedia Ornex KL570",
    L"Almacenamiento masivo USB",
    L"Controlador del modo de recuperación",
    L"No se pudo cargar la dll de recursos: %s",
    L"&Detalles «",
    L"&Detalles »",
    L"&Sí",
    L"&No",
    L"&Aceptar",
    L"Error",
    L"Advertencia",
    L"Información",
    L"Opción",
};

Table kFrench = {
    L"Lecteur multimédia Ornex KL570",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" Tous droits réservés.",
    L"MP3 Update",
    L"À propos de MP3 Update",
    L"Application de téléchargement du micrologiciel du lecteur multimédia Ornex KL570",
    L"Programme de désinstallation du lecteur multimédia Ornex KL570",
    L"Programme d'installation du lecteur multimédia Ornex KL570",
    L"Ressources du lecteur multimédia Ornex KL570",
    L"Stockage de masse USB",
    L"Pilote du mode de récupération",
    L"Impossible de charger la DLL de ressource  %s",
    L"&Détails «",
    L"&Détails »",
    L"&Oui",
    L"&Non",
    L"&OK",
    L"Erreur",
    L"Avertissement",
    L"Information",
    L"Option",
};

Table kJapanese = {
    L"Ornex KL570 マルチメディア プレーヤー",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" All rights reserved.",
    L"MP3 Update",
    L"MP3 Update のバージョン情報",
    L"Ornex KL570 マルチメディア プレーヤー ファームウェア ダウンロード アプリケーション",
    L"Ornex KL570 マルチメディア プレーヤー アンインストーラ",
    L"Ornex KL570 マルチメディア プレーヤー インストーラ",
    L"Ornex KL570 マルチメディア プレーヤー リソース",
    L"USB 大容量記憶装置",
    L"リカバリ モード ドライバ",
    L"リソース dll が読み込まれませんでした： %s",
    L"詳細(&D) «",
    L"詳細(&D) »",
    L"はい(&Y)",
    L"いいえ(&N)",
    L"OK",
    L"エラー",
    L"警告",
    L"情報",
    L"オプション",
};

Table kKorean = {
    L"Ornex KL570 멀티미디어 플레이어",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" All rights reserved.",
    L"MP3 Update",
    L"MP3 Update 정보",
    L"Ornex KL570 멀티미디어 플레이어 펌웨어 다운로드 프로그램",
    L"Ornex KL570 멀티미디어 플레이어 제거 프로그램",
    L"Ornex KL570 멀티미디어 플레이어 설치 프로그램",
    L"Ornex KL570 멀티미디어 플레이어 리소스",
    L"USB 대용량 저장 장치",
    L"복구 모드 드라이버",
    L"다음 dll을 읽어올 수 없습니다: %s",
    L"자세히(&D) «",
    L"자세히(&D) »",
    L"예(&Y)",
    L"아니요(&N)",
    L"확인",
    L"오류",
    L"경고",
    L"정보",
    L"옵션",
};

Table kTraditionalChinese = {
    L"Ornex KL570 多媒體播放器",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" 版權所有。",
    L"MP3 Update",
    L"關於 MP3 Update",
    L"Ornex KL570 多媒體播放器韌體下載程式",
    L"Ornex KL570 多媒體播放器解除安裝程式",
    L"Ornex KL570 多媒體播放器安裝程式",
    L"Ornex KL570 多媒體播放器資源",
    L"USB 大容量存放裝置",
    L"復原模式驅動程式",
    L"不能裝載資源 dll : %s",
    L"詳細資料(&D) «",
    L"詳細資料(&D) »",
    L"是(&Y)",
    L"否(&N)",
    L"確定",
    L"錯誤",
    L"警告",
    L"資訊",
    L"選項",
};

Table kSimplifiedChinese = {
    L"Ornex KL570 多媒体播放器",
    KV_COMPANY,
    L"Copyright (C) 2004 " KV_COMPANY L" 保留所有权利。",
    L"MP3 Update",
    L"关于 MP3 Update",
    L"Ornex KL570 多媒体播放器固件下载程序",
    L"Ornex KL570 多媒体播放器卸载程序",
    L"Ornex KL570 多媒体播放器安装程序",
    L"Ornex KL570 多媒体播放器资源",
    L"USB 大容量存储设备",
    L"恢复模式驱动程序",
    L"不能装载资源 dll : %s",
    L"详细信息(&D) «",
    L"详细信息(&D) »",
    L"是(&Y)",
    L"否(&N)",
    L"确定",
    L"错误",
    L"警告",
    L"信息",
    L"选项",
};

const Table& tableOf(win::LANGID langid) {
  switch (langid & 0x3FF) {
    case 0x04: return (langid >> 10) == 1 ? kTraditionalChinese : kSimplifiedChinese;
    case 0x07: return kGerman;
    case 0x0A: return kSpanish;
    case 0x0C: return kFrench;
    case 0x11: return kJapanese;
    case 0x12: return kKorean;
    default: return kEnglish;
  }
}

}  // namespace

const wchar_t* OwnString(std::uint32_t id, win::LANGID langid) {
  if (id < kFirstOwnString || id > kLastOwnString) return nullptr;
  return tableOf(langid)[id - kFirstOwnString];
}

}  // namespace pendrel
