object frm_Demo: Tfrm_Demo
  Caption = 'Velto Shell Components Demo'
  ClientHeight = 420
  ClientWidth = 640
  Color = clBtnFace
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Position = poScreenCenter
  object cbx_Path: TDemoShellComboBox
    Left = 0
    Top = 0
    Width = 640
    Align = alTop
    TabOrder = 0
  end
  object VeltoShellTreeView1: TVeltoShellTreeView
    Left = 0
    Top = 21
    Width = 220
    Height = 399
    Align = alLeft
    TabOrder = 1
    ListView = lv_Folder
    ComboBox = cbx_Path
    BackgroundListing = True
  end
  object lv_Folder: TDemoShellListView
    Left = 220
    Top = 21
    Width = 420
    Height = 399
    Align = alClient
    TabOrder = 2
    OnFolderChanged = lv_FolderFolderChanged
  end
end
