object ddd: Tddd
  Left = 295
  Top = 231
  Width = 377
  Height = 339
  Caption = 'XML serializer demo'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Visible = True
  OnClick = FormClick
  PixelsPerInch = 96
  TextHeight = 13
  object Label1: TLabel
    Left = 8
    Top = 16
    Width = 32
    Height = 13
    Caption = 'Label1'
    OnClick = FormClick
  end
  object Edit1: TEdit
    Left = 48
    Top = 16
    Width = 121
    Height = 21
    TabOrder = 0
    Text = 'Edit1'
  end
  object XML: TzuXMLSerializer
    ExcludeEmptyValues = False
    ExcludeDefaultValues = False
    ReplaceReservedSymbols = False
    IgnoreUnknownTags = False
    Left = 240
    Top = 24
  end
end
