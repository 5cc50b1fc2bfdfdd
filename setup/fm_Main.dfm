object frm_Main: Tfrm_Main
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Setup'
  ClientHeight = 400
  ClientWidth = 600
  Color = clBtnFace
  Font.Color = clWindowText
  Font.Height = -13
  Font.Name = 'Microsoft Sans Serif'
  Font.Style = []
  KeyPreview = True
  PixelsPerInch = 96
  Position = poScreenCenter
  OnKeyDown = FormKeyDown
  OnShow = FormShow
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 162
    Height = 359
    Align = alLeft
    BevelOuter = bvNone
    BorderWidth = 8
    object Panel2: TPanel
      Left = 8
      Top = 8
      Width = 146
      Height = 343
      Align = alClient
      BevelOuter = bvNone
      BorderStyle = bsSingle
      Color = clWhite
      object Image1: TImage
        Left = 8
        Top = 8
        Width = 130
        Height = 64
        Cursor = crHandPoint
        AutoSize = True
        PictureResource = 'LOGO'
        OnClick = Label3Click
      end
    end
  end
  object Panel3: TPanel
    Left = 0
    Top = 359
    Width = 600
    Height = 41
    Align = alBottom
    BevelOuter = bvNone
    object Label4: TLabel
      Left = 8
      Top = 0
      Caption = 'Copyright (c) Velto Software'
    end
    object Label3: TLabel
      Left = 8
      Top = 16
      Cursor = crHandPoint
      Caption = 'http://www.example.com/velto/'
      Font.Color = clBlue
      Font.Style = [fsUnderline]
      OnClick = Label3Click
    end
    object btn_Prev: TButton
      Left = 304
      Top = 8
      Width = 89
      Height = 25
      Caption = '< Back'
      OnClick = btn_PrevClick
    end
    object btn_Next: TButton
      Left = 400
      Top = 8
      Width = 89
      Height = 25
      Caption = 'Next >'
      OnClick = btn_NextClick
    end
    object btn_Cancel: TButton
      Left = 504
      Top = 8
      Width = 89
      Height = 25
      Caption = 'Cancel'
      OnClick = btn_CancelClick
    end
  end
  object Panel4: TPanel
    Left = 162
    Top = 0
    Width = 438
    Height = 359
    Align = alClient
    BevelOuter = bvNone
    BorderWidth = 2
    object PageControl1: TPageControl
      Left = 2
      Top = 2
      Width = 434
      Height = 355
      ActivePage = ts_Welcome
      Align = alClient
      Style = tsFlatButtons
      object ts_Welcome: TTabSheet
        Caption = 'Welcome'
        TabVisible = False
        object lbl_Welcome1: TLabel
          Left = 0
          Top = 0
          Width = 426
          Align = alTop
          Caption = 'Welcome to the %s %s Setup Wizard'
          Font.Height = -19
          WordWrap = True
        end
        object Label1: TLabel
          Left = 0
          Width = 426
          Align = alTop
          Caption = ' '
        end
        object lbl_Welcome2: TLabel
          Left = 0
          Width = 426
          Align = alTop
          Caption = 'This wizard will install the %s %s on your computer.'
          WordWrap = True
        end
      end
      object ts_License: TTabSheet
        Caption = 'License'
        TabVisible = False
        object Label5: TLabel
          Left = 0
          Top = 0
          Caption = 'LICENSE AGREEMENT'
          Font.Style = [fsBold]
        end
        object Memo1: TMemo
          Left = 0
          Top = 20
          Width = 425
          Height = 301
          Lines.Strings = (
            'VELTO SHELL COMPONENTS - LICENSE AGREEMENT'
            ''
            'Please read this agreement carefully before you'
            'install the Velto Shell Components ("the Software").'
            ''
            '1. Grant. You may install and use the Software on any'
            '   number of computers, and you may build it into'
            '   programs of your own and distribute those programs'
            '   in compiled form without paying any fee.'
            ''
            '2. Source code. You may change the source code of the'
            '   Software for use in your own programs. You may not'
            '   distribute the source code, changed or unchanged,'
            '   as a component package of your own.'
            ''
            '3. Copies. You may copy the Software as a whole,'
            '   together with this agreement, for backup and for'
            '   passing it on unchanged.'
            ''
            '4. No warranty. The Software is provided "as is",'
            '   without warranty of any kind, express or implied,'
            '   including but not limited to the warranties of'
            '   merchantability, fitness for a particular purpose'
            '   and non-infringement.'
            ''
            '5. Limitation of liability. In no event shall the'
            '   authors be liable for any claim, damages or other'
            '   liability arising from, out of or in connection'
            '   with the Software or its use.'
            ''
            '6. Acceptance. By installing the Software you agree to'
            '   these terms. If you do not agree, do not install'
            '   the Software.'
            ''
            'Copyright (c) Velto Software. All rights reserved.')
          ReadOnly = True
          ScrollBars = ssVertical
          TabOrder = 0
        end
        object cbx_Accept: TCheckBox
          Left = 0
          Top = 324
          Width = 425
          Height = 17
          Caption = 'I agree to the terms and conditions of this license'
          Font.Style = [fsBold]
          TabOrder = 1
          OnClick = cbx_AcceptClick
        end
      end
      object ts_Folder: TTabSheet
        Caption = 'Folder'
        TabVisible = False
        object lbl_Folder1: TLabel
          Left = 0
          Top = 0
          Width = 426
          Height = 32
          Align = alTop
          AutoSize = False
          Caption = 'Select the folder where you would like %s %s to be installed, then click Next.'
          WordWrap = True
        end
        object edt_Folder: TEdit
          Left = 0
          Top = 40
          Width = 425
          Height = 24
          TabOrder = 0
        end
        object VeltoShellTreeView1: TVeltoShellTreeView
          Left = 0
          Top = 68
          Width = 425
          Height = 275
          Font.Height = -13
          Font.Name = 'Microsoft Sans Serif'
          HideSelection = False
          Indent = 19
          ParentFont = False
          TabOrder = 1
          OnChange = VeltoShellTreeView1Change
          AutoContextMenu = False
          AutoPropertiesDialog = False
          AutoRefresh = False
          Root = 'sfDrives'
          DragEnabled = False
          DropEnabled = False
        end
      end
      object ts_Finish: TTabSheet
        Caption = 'Finish'
        TabVisible = False
        object lbl_Finish1: TLabel
          Left = 0
          Top = 0
          Width = 426
          Align = alTop
          Caption = 'Click Finish to install the %s %s to the selected folder.'
          WordWrap = True
        end
        object Label2: TLabel
          Left = 0
          Width = 426
          Align = alTop
          Caption = ' '
        end
        object Label12: TLabel
          Left = 0
          Width = 426
          Align = alTop
          Caption = 'Selected folder:'
        end
        object lbl_Folder: TLabel
          Left = 0
          Width = 426
          Align = alTop
          Caption = ''
          WordWrap = True
        end
        object ProgressBar1: TProgressBar
          Left = 0
          Top = 128
          Width = 425
          Height = 25
          Max = 100
        end
        object lbl_Finish2: TLabel
          Left = 0
          Top = 172
          Caption = '%s %s have been successfully installed.'
          Visible = False
        end
      end
    end
  end
end
